#pragma once

#include "FileError.h"

#include <QString>

// What a system error code (errno, or GetLastError() on Windows) means to a user.
FileError::Cause CauseOfSystemError(int code);
QString SystemErrorText(int code);
