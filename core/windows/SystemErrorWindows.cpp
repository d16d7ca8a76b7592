#include "SystemError.h"

#include <windows.h>

namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack.
constexpr DWORD DiskQuotaExceeded = 1295;

} // namespace

FileError::Cause CauseOfSystemError(int code)
{
    using Cause = FileError::Cause;
    switch (DWORD(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return Cause::NotFound;
    case ERROR_ACCESS_DENIED:
        return Cause::AccessDenied;
    case ERROR_PRIVILEGE_NOT_HELD:
        return Cause::NotPermitted;
    case ERROR_WRITE_PROTECT:
        return Cause::WriteProtected;
    case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE:
        return Cause::NotReady;
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
        return Cause::DeviceGone;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Cause::DiskFull;
    case DiskQuotaExceeded:
        return Cause::QuotaExceeded;
    case ERROR_FILE_TOO_LARGE:
        return Cause::FileTooLarge;
    case ERROR_DIRECTORY:
        return Cause::NotFolder;
    case ERROR_FILENAME_EXCED_RANGE:
        return Cause::NameTooLong;
    case ERROR_CANT_RESOLVE_FILENAME:
        return Cause::SymbolicLinkLoop;
    case ERROR_TOO_MANY_LINKS:
        return Cause::TooManyLinks;
    case ERROR_BUSY:
        return Cause::Busy;
    case ERROR_IO_DEVICE:
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
        return Cause::InputOutput;
    case ERROR_NOT_SAME_DEVICE:
        return Cause::CrossDevice;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return Cause::AlreadyExists;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return Cause::SharingViolation;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
        return Cause::PipeClosed;
    default:
        return Cause::Other;
    }
}

QString SystemErrorText(int code)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        DWORD(code), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString message = length ? QString::fromWCharArray(text, length).trimmed()
                                   : QStringLiteral("Windows error %1").arg(code);
    LocalFree(text);
    return message;
}
