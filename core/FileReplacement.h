#pragma once

#include "FileError.h"

#include <QString>

#include <memory>
#include <optional>

class QFileDevice;

// Replaces one file with new bytes, the way the system itself would write to
// that name: the file it replaces is the one open(2) would reach, under the
// system's rules, and it is swapped in whole, keeping the old file's mode,
// owner and extended attributes where it may.
//
// prepare() finds and checks the file and creates nothing; begin() opens the
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
    // Whether `file` is the file prepare() found to replace, even when
    // prepare() then refused it.
    bool replaces(const QFileDevice &file) const;
    std::optional<FileError> begin();
    // The new content, opened unbuffered, valid from begin() to commit().
    QFileDevice &device();
    std::optional<FileError> commit();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
