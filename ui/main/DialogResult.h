#pragma once

enum class DialogResult { Confirmed, Cancelled };
