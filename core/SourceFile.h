#pragma once

#include "FileError.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

// The game, opened for reading through the system's own calls, so that a
// failure keeps the system's error code.
class SourceFile
{
public:
    explicit SourceFile(QString path);
    ~SourceFile();
    SourceFile(const SourceFile &) = delete;
    SourceFile &operator=(const SourceFile &) = delete;

    // Anything but a regular file is left unopened, without an error: a FIFO
    // would block, a device could act on being opened.
    std::optional<FileError> open();
    bool isOpen() const;
    const QString &path() const { return m_path; }
    qint64 size() const { return m_size; }
    // Reads up to `length` bytes at `offset` into `data`; `got` is 0 at the end.
    std::optional<FileError> read(qint64 offset, char *data, qint64 length, qint64 &got);
    // The descriptor (a HANDLE on Windows), for the rest of the platform's code.
    qintptr nativeHandle() const;

private:
    // The platform's part of open(), for a name that is not empty.
    std::optional<FileError> openByName();

    QString m_path;
    qint64 m_size = 0;
    struct Private;
    std::unique_ptr<Private> d;
};
