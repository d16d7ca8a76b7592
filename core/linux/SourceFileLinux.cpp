#include "SourceFile.h"
#include "UniqueFd.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileError Failure(const QString &path, FileError::Operation operation, int code)
{
    return FileError::fromSystem(operation, FileError::Role::Source, path, code);
}

} // namespace

struct SourceFile::Private
{
    UniqueFd fd;
};

SourceFile::SourceFile(QString path)
    : m_path(std::move(path))
    , d(std::make_unique<Private>())
{
}

SourceFile::~SourceFile() = default;

std::optional<FileError> SourceFile::openByName()
{
    const QByteArray name = QFile::encodeName(m_path);
    // Only the name is resolved, so nothing but a regular file is ever opened for I/O.
    const UniqueFd located(::open(name.constData(), O_PATH | O_CLOEXEC));
    struct stat info
    {
    };
    if (!located.valid() || ::fstat(located.get(), &info) != 0)
        return Failure(m_path, FileError::Operation::Open, errno);
    if (!S_ISREG(info.st_mode))
        return std::nullopt;
    // Through /proc the same file is opened, with the usual permission checks.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(located.get());
    d->fd.reset(::open(self.constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    if (!d->fd.valid() && errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0) {
        // Without /proc: by name, non-blocking in case it was swapped for a FIFO meanwhile.
        d->fd.reset(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    }
    if (!d->fd.valid())
        return Failure(m_path, FileError::Operation::Open, errno);
    if (::fstat(d->fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        d->fd.reset();
        return std::nullopt;
    }
    m_size = info.st_size;
    return std::nullopt;
}

bool SourceFile::isOpen() const
{
    return d->fd.valid();
}

std::optional<FileError> SourceFile::read(qint64 offset, char *data, qint64 length, qint64 &got)
{
    for (;;) {
        got = ::pread(d->fd.get(), data, size_t(length), offset);
        if (got >= 0)
            return std::nullopt;
        if (errno != EINTR)
            return Failure(m_path, FileError::Operation::Read, errno);
    }
}

qintptr SourceFile::nativeHandle() const
{
    return d->fd.get();
}
