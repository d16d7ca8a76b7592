#pragma once

#include "FileError.h"

#include <QString>

#include <optional>

class QFile;

struct OpenedSource
{
    bool regular = false;
    std::optional<FileError> error;
};

// Opens the game at `path` unbuffered for reading into `file`. Anything but a
// regular file is left unopened: a FIFO would block, a device could act on it.
OpenedSource OpenSource(const QString &path, QFile &file);
