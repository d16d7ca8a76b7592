#include "SourceFile.h"
#include "UniqueHandle.h"
#include "Win32Calls.h"
#include "WindowsPath.h"

#include <algorithm>

namespace {

FileError Failure(const QString &path, FileError::Operation operation, DWORD code)
{
    return FileError::fromSystem(operation, FileError::Role::Source, path, int(code));
}

} // namespace

struct SourceFile::Private
{
    UniqueHandle handle;
    qint64 position = 0;
};

SourceFile::SourceFile(QString path)
    : m_path(std::move(path))
    , d(std::make_unique<Private>())
{
}

SourceFile::~SourceFile() = default;

std::optional<FileError> SourceFile::openByName()
{
    const WindowsPath name = ResolvePath(m_path);
    if (name.device)
        return std::nullopt;
    if (name.extended.empty())
        return Failure(m_path, FileError::Operation::Open, GetLastError());
    // Without FILE_SHARE_DELETE, no other name of the game can be renamed over it while it is open, should
    // the same-file guard not recognise it. A folder opens too, to be found one.
    UniqueHandle handle(
        Win32().CreateFileW(name.extended.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.valid())
        return Failure(m_path, FileError::Operation::Open, GetLastError());
    SetLastError(NO_ERROR);
    const DWORD type = Win32().GetFileType(handle.get());
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR)
        return Failure(m_path, FileError::Operation::Open, GetLastError());
    if (type != FILE_TYPE_DISK)
        return std::nullopt;
    FILE_STANDARD_INFO standard {};
    if (!Win32().GetFileInformationByHandleEx(handle.get(), FileStandardInfo, &standard, sizeof standard))
        return Failure(m_path, FileError::Operation::Open, GetLastError());
    if (standard.Directory)
        return std::nullopt;
    m_size = standard.EndOfFile.QuadPart;
    d->handle = std::move(handle);
    return std::nullopt;
}

bool SourceFile::isOpen() const
{
    return d->handle.valid();
}

std::optional<FileError> SourceFile::read(qint64 offset, char *data, qint64 length, qint64 &got)
{
    // Reads follow one another; a read at an offset (OVERLAPPED) costs Wine a round trip to its server each.
    if (offset != d->position) {
        LARGE_INTEGER to {};
        to.QuadPart = offset;
        if (!Win32().SetFilePointerEx(d->handle.get(), to, nullptr, FILE_BEGIN))
            return Failure(m_path, FileError::Operation::Read, GetLastError());
        d->position = offset;
    }
    DWORD read = 0;
    if (!Win32().ReadFile(d->handle.get(), data, DWORD(std::min<qint64>(length, 1 << 30)), &read, nullptr))
        return Failure(m_path, FileError::Operation::Read, GetLastError());
    d->position += read;
    got = read;
    return std::nullopt;
}

qintptr SourceFile::nativeHandle() const
{
    return reinterpret_cast<qintptr>(d->handle.get());
}
