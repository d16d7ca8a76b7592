#include "SystemError.h"

#include <cerrno>
#include <cstring>

FileError::Cause CauseOfSystemError(int code)
{
    using Cause = FileError::Cause;
    switch (code) {
    case ENOENT:
        return Cause::NotFound;
    case EACCES:
        return Cause::AccessDenied;
    case EPERM:
        return Cause::NotPermitted;
    case EROFS:
        return Cause::ReadOnlyFileSystem;
    case ENOSPC:
        return Cause::DiskFull;
    case EDQUOT:
        return Cause::QuotaExceeded;
    case EFBIG:
        return Cause::FileTooLarge;
    case EISDIR:
        return Cause::IsFolder;
    case ENOTDIR:
        return Cause::NotFolder;
    case ENAMETOOLONG:
        return Cause::NameTooLong;
    case ELOOP:
        return Cause::SymbolicLinkLoop;
    case EMLINK:
        return Cause::TooManyLinks;
    case EBUSY:
    case ETXTBSY:
        return Cause::Busy;
    case EIO:
        return Cause::InputOutput;
    case EXDEV:
        return Cause::CrossDevice;
    case EEXIST:
        return Cause::AlreadyExists;
    case EPIPE:
        return Cause::PipeClosed;
    default:
        return Cause::Other;
    }
}

QString SystemErrorText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}
