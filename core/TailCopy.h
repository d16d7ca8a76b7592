#pragma once

#include "FileError.h"

#include <QtGlobal>

#include <optional>

class QFileDevice;

// Appends source bytes [from, end) to `destination`, an empty file opened
// unbuffered, in one sequential pass with a bounded buffer. Uses an in-kernel
// copy where the system has one. Returns the first failure, if any, with its
// role and reason; the caller knows the paths.
std::optional<FileError> CopyTail(QFileDevice &source, qint64 from, qint64 end, QFileDevice &destination);
