#include "SourceFile.h"
#include "UniqueHandle.h"
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
};

SourceFile::SourceFile(QString path)
    : m_path(std::move(path))
    , d(std::make_unique<Private>())
{
}

SourceFile::~SourceFile() = default;

std::optional<FileError> SourceFile::openByName()
{
    if (NamesDevice(m_path))
        return std::nullopt;
    const std::wstring name = ExtendedPath(m_path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Failure(m_path, FileError::Operation::Open, GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return std::nullopt;
    d->handle.reset(
        CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!d->handle.valid())
        return Failure(m_path, FileError::Operation::Open, GetLastError());
    LARGE_INTEGER size {};
    if (GetFileType(d->handle.get()) != FILE_TYPE_DISK || !GetFileSizeEx(d->handle.get(), &size)) {
        d->handle.reset();
        return std::nullopt;
    }
    m_size = size.QuadPart;
    return std::nullopt;
}

bool SourceFile::isOpen() const
{
    return d->handle.valid();
}

std::optional<FileError> SourceFile::read(qint64 offset, char *data, qint64 length, qint64 &got)
{
    OVERLAPPED at {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(d->handle.get(), data, DWORD(std::min<qint64>(length, 1 << 30)), &read, &at)
        && GetLastError() != ERROR_HANDLE_EOF)
        return Failure(m_path, FileError::Operation::Read, GetLastError());
    got = read;
    return std::nullopt;
}

qintptr SourceFile::nativeHandle() const
{
    return reinterpret_cast<qintptr>(d->handle.get());
}
