#pragma once

#include "FileError.h"

#include <QtGlobal>

#include <optional>

class QFile;
class QSaveFile;

// Appends source bytes [from, end) to `destination`, an empty file opened
// unbuffered, in one sequential pass with a bounded buffer. Uses an in-kernel
// copy where the system has one. Returns the first failure, if any.
std::optional<FileError> CopyTail(QFile &source, qint64 from, qint64 end, QSaveFile &destination);
