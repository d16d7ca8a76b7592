#pragma once

#include "FileError.h"

#include <QtGlobal>

#include <optional>

class FileReplacement;
class SourceFile;

// Appends source bytes [from, end) to the new content of `destination`, in
// one sequential pass with a bounded buffer, letting the system copy in the
// kernel where it can. Returns the first failure, if any.
std::optional<FileError> CopyTail(SourceFile &source, qint64 from, qint64 end, FileReplacement &destination);
