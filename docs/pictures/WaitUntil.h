#pragma once

#include <functional>

// Runs the event loop until `condition` holds or `timeoutMs` have passed; returns whether it holds.
bool WaitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);
