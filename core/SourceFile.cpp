#include "SourceFile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

FileError OpenError(const QString &path, const QString &reason)
{
    return FileError(FileError::Operation::Open, FileError::Role::Source, path, reason);
}

} // namespace

OpenedSource OpenSource(const QString &path, QFile &file)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) != 0)
        return { .regular = false, .error = OpenError(path, QString::fromLocal8Bit(std::strerror(errno))) };
    if (!S_ISREG(info.st_mode))
        return {};
    // Non-blocking in case the name was swapped for a FIFO meanwhile.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return { .regular = false, .error = OpenError(path, QString::fromLocal8Bit(std::strerror(errno))) };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return { .regular = false, .error = OpenError(path, file.errorString()) };
    }
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return {};
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return { .regular = false, .error = OpenError(path, file.errorString()) };
#endif
    return { .regular = true, .error = std::nullopt };
}
