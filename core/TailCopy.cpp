#include "TailCopy.h"

#include <QByteArray>
#include <QFileDevice>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <unistd.h>
#endif

namespace {

constexpr qint64 BufferSize = qint64(1) << 20;

FileError ReadError(const QString &reason)
{
    return FileError(FileError::Operation::Read, FileError::Role::Source, QString(), reason);
}

FileError WriteError(const QFileDevice &destination)
{
    return FileError(
        FileError::Operation::Write, FileError::Role::Destination, QString(), destination.errorString());
}

#ifdef Q_OS_LINUX
// Copies as much as the kernel will; whatever it leaves (unsupported file
// systems, or a failure) goes to the portable loop, which then meets and
// names any real failure itself.
qint64 CopyInKernel(int in, qint64 from, int out, qint64 length)
{
    qint64 copied = 0;
    loff_t inOffset = from;
    while (copied < length) {
        const auto chunk = size_t(std::min(length - copied, qint64(1) << 30));
        const ssize_t n = ::copy_file_range(in, &inOffset, out, nullptr, chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        copied += n;
    }
    return copied;
}
#endif

bool WriteAll(QFileDevice &destination, const char *data, qint64 length)
{
    // An unbuffered write can come back short without an error; the next
    // attempt then reports the cause.
    while (length > 0) {
        const qint64 written = destination.write(data, length);
        if (written <= 0)
            return false;
        data += written;
        length -= written;
    }
    return true;
}

} // namespace

std::optional<FileError> CopyTail(QFileDevice &source, qint64 from, qint64 end, QFileDevice &destination)
{
    const qint64 length = end - from;
    qint64 copied = 0;

#ifdef Q_OS_LINUX
    if (destination.flush())
        copied = CopyInKernel(source.handle(), from, destination.handle(), length);
    if (copied > 0 && !destination.seek(copied))
        return WriteError(destination);
#endif

    if (copied < length && !source.seek(from + copied))
        return ReadError(source.errorString());

    QByteArray buffer;
    while (copied < length) {
        if (buffer.isEmpty())
            buffer.resize(BufferSize);
        const qint64 wanted = std::min(BufferSize, length - copied);
        const qint64 got = source.read(buffer.data(), wanted);
        if (got < 0)
            return ReadError(source.errorString());
        if (got == 0)
            return ReadError(QStringLiteral("文件在复制过程中变短了"));
        if (!WriteAll(destination, buffer.constData(), got))
            return WriteError(destination);
        copied += got;
    }
    return std::nullopt;
}
