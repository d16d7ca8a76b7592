#pragma once

#include "FileError.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

class SourceFile;

// Replaces one file with new bytes, the way the system itself would write to
// that name: the file it replaces is the one an open for writing would reach,
// under the system's rules, and it is swapped in whole, keeping what the old
// file had where it may.
//
// prepare() finds and checks the file and creates nothing; begin() starts the
// new, empty content; commit() puts it in place durably. Whatever has not been
// committed when the object goes is discarded.
class FileReplacement
{
public:
    explicit FileReplacement(QString path);
    ~FileReplacement();
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    std::optional<FileError> prepare();
    // Whether `source` is the file prepare() found to replace, even when
    // prepare() then refused it.
    bool replaces(const SourceFile &source) const;
    std::optional<FileError> begin();
    // Appends to the new content, from begin() to commit().
    std::optional<FileError> write(const char *data, qint64 length);
    // Appends source bytes [offset, offset + length) where the system can copy
    // them itself; returns how many it copied, perhaps none, and leaves any
    // failure to the portable loop that then meets it.
    qint64 copyInSystem(const SourceFile &source, qint64 offset, qint64 length);
    std::optional<FileError> commit();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
