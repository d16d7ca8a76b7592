#include "FileReplacement.h"
#include "SourceFile.h"
#include "UniqueHandle.h"
#include "WindowsPath.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {

using Operation = FileError::Operation;
using Cause = FileError::Cause;

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool SameFile(const BY_HANDLE_FILE_INFORMATION &a, const BY_HANDLE_FILE_INFORMATION &b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh
        && a.nFileIndexLow == b.nFileIndexLow;
}

// The path the system itself reached, links and all, in "\\?\" form.
std::wstring FinalPath(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(
            handle, path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
}

// A short hidden name beside the target, one a person recognises.
std::wstring HiddenName(const std::wstring &folder)
{
    static constexpr wchar_t Letters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    std::wstring name = folder + L"\\.tessaly-";
    for (int i = 0; i < 6; ++i)
        name += Letters[QRandomGenerator::global()->bounded(int(std::size(Letters)) - 1)];
    return name;
}

} // namespace

struct FileReplacement::Private
{
    QString path;
    std::wstring target; // the file that is replaced, or made
    std::wstring folder;
    bool found = false;
    BY_HANDLE_FILE_INFORMATION identity {};

    UniqueHandle temporary;
    std::wstring temporaryPath;

    FileError failure(Operation operation, DWORD code) const
    {
        return FileError::fromSystem(operation, FileError::Role::Destination, path, int(code));
    }
    FileError refusal(Operation operation, Cause cause) const
    {
        return FileError(operation, FileError::Role::Destination, path, cause);
    }

    std::optional<FileError> locateNew(const std::wstring &name);
    std::optional<FileError> replaceExisting();
    void discardTemporary();
};

std::optional<FileError> FileReplacement::Private::locateNew(const std::wstring &name)
{
    target = name;
    folder = ParentOf(name);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return failure(Operation::Open, GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return failure(Operation::Open, ERROR_DIRECTORY);
    return std::nullopt;
}

// ReplaceFileW keeps the old file's ACL, attributes and creation time. Should
// it fail half-way, the old file is still under the backup name, and goes back.
std::optional<FileError> FileReplacement::Private::replaceExisting()
{
    const std::wstring backup = temporaryPath + L".old";
    if (ReplaceFileW(target.c_str(), temporaryPath.c_str(), backup.c_str(),
            REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
        DeleteFileW(backup.c_str());
        return std::nullopt;
    }
    const DWORD code = GetLastError();
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    DeleteFileW(backup.c_str());
    return failure(Operation::Replace, code);
}

void FileReplacement::Private::discardTemporary()
{
    temporary.reset();
    if (!temporaryPath.empty())
        DeleteFileW(temporaryPath.c_str());
    temporaryPath.clear();
}

FileReplacement::FileReplacement(QString path)
    : d(std::make_unique<Private>())
{
    d->path = std::move(path);
}

FileReplacement::~FileReplacement()
{
    d->discardTemporary();
}

std::optional<FileError> FileReplacement::prepare()
{
    // Opening one would reach the device, not a file of that name.
    if (NamesDevice(d->path))
        return d->refusal(Operation::Replace, Cause::NotRegularFile);
    const std::wstring name = ExtendedPath(d->path);
    if (name.empty())
        return d->failure(Operation::Open, GetLastError());

    // Attributes alone: no sharing rule stands in the way of finding out what the name reaches.
    UniqueHandle located(CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!located.valid()) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            return d->locateNew(name);
        return d->failure(Operation::Open, code);
    }
    if (!GetFileInformationByHandle(located.get(), &d->identity))
        return d->failure(Operation::Open, GetLastError());
    d->found = true;
    if (d->identity.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return d->refusal(Operation::Open, Cause::IsFolder);
    if (GetFileType(located.get()) != FILE_TYPE_DISK)
        return d->refusal(Operation::Replace, Cause::NotRegularFile);
    // As Windows itself refuses to write a read-only file; Wine lets its owner through.
    if (d->identity.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return d->failure(Operation::Open, ERROR_ACCESS_DENIED);
    d->target = FinalPath(located.get());
    if (d->target.empty())
        d->target = name;
    d->folder = ParentOf(d->target);
    located.reset();

    // Opened as the replacement will need it, so that the system's rules apply
    // before anything is copied: a read-only file, one that another program
    // holds open without sharing.
    UniqueHandle writable(CreateFileW(d->target.c_str(), GENERIC_WRITE | DELETE, ShareAll, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!writable.valid())
        return d->failure(Operation::Open, GetLastError());
    return std::nullopt;
}

bool FileReplacement::replaces(const SourceFile &source) const
{
    BY_HANDLE_FILE_INFORMATION other {};
    return d->found && GetFileInformationByHandle(reinterpret_cast<HANDLE>(source.nativeHandle()), &other)
        && SameFile(other, d->identity);
}

std::optional<FileError> FileReplacement::begin()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = HiddenName(d->folder);
        d->temporary.reset(CreateFileW(candidate.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_HIDDEN, nullptr));
        if (d->temporary.valid()) {
            d->temporaryPath = candidate;
            return std::nullopt;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return d->failure(Operation::Open, GetLastError());
}

std::optional<FileError> FileReplacement::write(const char *data, qint64 length)
{
    while (length > 0) {
        DWORD written = 0;
        if (!WriteFile(d->temporary.get(), data, DWORD(std::min<qint64>(length, 1 << 30)), &written, nullptr))
            return d->failure(Operation::Write, GetLastError());
        if (written == 0)
            return d->failure(Operation::Write, ERROR_WRITE_FAULT);
        data += written;
        length -= written;
    }
    return std::nullopt;
}

qint64 FileReplacement::copyInSystem(const SourceFile &, qint64, qint64)
{
    return 0;
}

std::optional<FileError> FileReplacement::commit()
{
    // Hidden only while it is written; then what the old file had, as
    // ReplaceFileW would give it but Wine's does not.
    FILE_BASIC_INFO basic {};
    constexpr DWORD Kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
        | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = d->found ? d->identity.dwFileAttributes & Kept : 0;
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (d->found) {
        basic.CreationTime.LowPart = d->identity.ftCreationTime.dwLowDateTime;
        basic.CreationTime.HighPart = LONG(d->identity.ftCreationTime.dwHighDateTime);
    }
    std::optional<FileError> failure;
    if (!FlushFileBuffers(d->temporary.get())
        || !SetFileInformationByHandle(d->temporary.get(), FileBasicInfo, &basic, sizeof basic))
        failure = d->failure(Operation::Write, GetLastError());
    d->temporary.reset();
    if (!failure && d->found)
        failure = d->replaceExisting();
    else if (!failure && !MoveFileExW(d->temporaryPath.c_str(), d->target.c_str(), MOVEFILE_WRITE_THROUGH))
        failure = d->failure(Operation::Replace, GetLastError());
    if (failure) {
        d->discardTemporary();
        return failure;
    }
    d->temporaryPath.clear();
    return std::nullopt;
}
