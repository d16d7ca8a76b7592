#include "FileReplacement.h"
#include "SourceFile.h"
#include "UniqueHandle.h"
#include "Win32Calls.h"
#include "WindowsPath.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Operation = FileError::Operation;
using Cause = FileError::Cause;

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Between tries of a rename or a delete, in milliseconds: about a second in all, for the scanner, indexer
// or sync client that holds a file for a moment.
constexpr DWORD RetryDelays[] = { 10, 40, 100, 200, 300, 350 };

// Tries again while another program seems to hold the file, as Git for Windows does around its renames
// and deletes; GetLastError() tells why it failed in the end.
template<typename Call> bool Retrying(Call call)
{
    for (size_t attempt = 0;; ++attempt) {
        if (call())
            return true;
        const DWORD code = GetLastError();
        if (attempt == std::size(RetryDelays)
            || (code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION && code != ERROR_ACCESS_DENIED
                && code != ERROR_USER_MAPPED_FILE))
            return false;
        Win32().Sleep(RetryDelays[attempt]);
    }
}

// The volume and the 128-bit id that ReFS needs; before Windows 8, and on some file systems, only the
// 64-bit index is known.
FILE_ID_INFO IdentityOf(HANDLE handle)
{
    FILE_ID_INFO identity {};
    if (Win32().GetFileInformationByHandleEx(handle, FileIdInfo, &identity, sizeof identity))
        return identity;
    identity = {};
    BY_HANDLE_FILE_INFORMATION information {};
    if (Win32().GetFileInformationByHandle(handle, &information)) {
        identity.VolumeSerialNumber = information.dwVolumeSerialNumber;
        const ULONGLONG index = ULONGLONG(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
        std::memcpy(identity.FileId.Identifier, &index, sizeof index);
    }
    return identity;
}

// Some network, cloud and SSHFS drives give every file the id 0, which tells nothing.
bool SameFile(const FILE_ID_INFO &a, const FILE_ID_INFO &b)
{
    static constexpr FILE_ID_128 Unknown {};
    return std::memcmp(&a.FileId, &Unknown, sizeof Unknown) != 0
        && a.VolumeSerialNumber == b.VolumeSerialNumber
        && std::memcmp(&a.FileId, &b.FileId, sizeof a.FileId) == 0;
}

// The path the system itself reached, links and all, in "\\?\" form.
std::wstring FinalPath(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = Win32().GetFinalPathNameByHandleW(
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

// The access rules of a file, or nothing where they cannot be read.
std::vector<char> SecurityOf(HANDLE handle)
{
    std::vector<char> security(1024);
    DWORD needed = 0;
    while (!Win32().GetKernelObjectSecurity(
        handle, DACL_SECURITY_INFORMATION, security.data(), DWORD(security.size()), &needed)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= security.size())
            return {};
        security.resize(needed);
    }
    return security;
}

// A short hidden name, one a person recognises.
std::wstring HiddenName()
{
    static constexpr wchar_t Letters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    std::wstring name = L".tessaly-";
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
    FILE_ID_INFO identity {};
    FILE_BASIC_INFO old {};
    std::vector<char> oldSecurity;

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

    std::optional<FileError> locateExisting(UniqueHandle located, const std::wstring &name);
    std::optional<FileError> locateNew(const std::wstring &name, DWORD code);
    std::optional<FileError> checkFolder() const;
    bool markForDeletion(bool marked) const;
    std::optional<FileError> keepAttributes() const;
    std::optional<FileError> putInPlace() const;
    void discardTemporary();
};

std::optional<FileError> FileReplacement::Private::locateExisting(
    UniqueHandle located, const std::wstring &name)
{
    found = true;
    identity = IdentityOf(located.get());
    if (!Win32().GetFileInformationByHandleEx(located.get(), FileBasicInfo, &old, sizeof old))
        return failure(Operation::Open, GetLastError());
    if (old.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return refusal(Operation::Open, Cause::IsFolder);
    SetLastError(NO_ERROR);
    const DWORD type = Win32().GetFileType(located.get());
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR)
        return failure(Operation::Open, GetLastError());
    if (type != FILE_TYPE_DISK)
        return refusal(Operation::Replace, Cause::NotRegularFile);
    // Windows renames nothing over a read-only file; Wine would.
    if (old.FileAttributes & FILE_ATTRIBUTE_READONLY)
        return failure(Operation::Open, ERROR_ACCESS_DENIED);
    // Some network and virtual drives cannot tell; then the name itself is replaced.
    target = FinalPath(located.get());
    if (target.empty())
        target = name;
    folder = ParentOf(target);
    located.reset();

    // Opened as the rename will need it, so that the system's rules apply before anything is copied: the
    // file's access rules, another program that holds it open without sharing.
    const UniqueHandle existing(Win32().CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, ShareAll, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!existing.valid())
        return failure(Operation::Open, GetLastError());
    oldSecurity = SecurityOf(existing.get());
    return checkFolder();
}

std::optional<FileError> FileReplacement::Private::locateNew(const std::wstring &name, DWORD code)
{
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND)
        return failure(Operation::Open, code);
    // The name itself may be there, as a symbolic link that leads nowhere: writing through it could plant a
    // file wherever it points.
    const UniqueHandle link(Win32().CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (link.valid())
        return refusal(Operation::Replace, Cause::DanglingLink);
    if (code != ERROR_FILE_NOT_FOUND || GetLastError() != ERROR_FILE_NOT_FOUND)
        return failure(Operation::Open, code != ERROR_FILE_NOT_FOUND ? code : GetLastError());
    target = name;
    folder = ParentOf(name);
    return checkFolder();
}

// Adding a file to the folder is what the rename needs of it.
std::optional<FileError> FileReplacement::Private::checkFolder() const
{
    const Operation operation = found ? Operation::Replace : Operation::Open;
    const UniqueHandle opened(Win32().CreateFileW(folder.c_str(), FILE_ADD_FILE, ShareAll, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened.valid())
        return failure(operation, GetLastError());
    FILE_BASIC_INFO basic {};
    if (!Win32().GetFileInformationByHandleEx(opened.get(), FileBasicInfo, &basic, sizeof basic))
        return failure(operation, GetLastError());
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return failure(Operation::Open, ERROR_DIRECTORY);
    return std::nullopt;
}

// A file marked so goes when its last handle closes, whatever ends the program.
bool FileReplacement::Private::markForDeletion(bool marked) const
{
    FILE_DISPOSITION_INFO disposition { marked };
    return Win32().SetFileInformationByHandle(
        temporary.get(), FileDispositionInfo, &disposition, sizeof disposition);
}

// The old file's access rules where they can be read and given, as for a new file otherwise; its
// attributes and creation time, the archive bit set as for any changed file.
std::optional<FileError> FileReplacement::Private::keepAttributes() const
{
    if (!oldSecurity.empty())
        (void)Win32().SetKernelObjectSecurity(
            temporary.get(), DACL_SECURITY_INFORMATION, PSECURITY_DESCRIPTOR(oldSecurity.data()));
    constexpr DWORD Kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic {};
    basic.FileAttributes = (found ? old.FileAttributes & Kept : 0) | FILE_ATTRIBUTE_ARCHIVE;
    basic.CreationTime = found ? old.CreationTime : LARGE_INTEGER {};
    if (!Win32().SetFileInformationByHandle(temporary.get(), FileBasicInfo, &basic, sizeof basic))
        return failure(Operation::Write, GetLastError());
    return std::nullopt;
}

// One rename through the file's own handle, over the old file if there is one; never over a file that
// appeared meanwhile where there was none.
std::optional<FileError> FileReplacement::Private::putInPlace() const
{
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto *rename = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    rename->ReplaceIfExists = found;
    rename->FileNameLength = DWORD(target.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, target.c_str(), (target.size() + 1) * sizeof(wchar_t));
    if (!Retrying([&] {
            return Win32().SetFileInformationByHandle(
                temporary.get(), FileRenameInfo, rename, DWORD(buffer.size()));
        }))
        return failure(Operation::Replace, GetLastError());
    return std::nullopt;
}

void FileReplacement::Private::discardTemporary()
{
    if (!temporary.valid())
        return;
    const bool marked = markForDeletion(true);
    temporary.reset();
    if (!marked)
        Retrying([this] { return Win32().DeleteFileW(temporaryPath.c_str()); });
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
    const WindowsPath name = ResolvePath(d->path);
    // Opening one would reach the device, not a file of that name.
    if (name.device)
        return d->refusal(Operation::Replace, Cause::NotRegularFile);
    if (name.extended.empty())
        return d->failure(Operation::Open, GetLastError());
    // Attributes alone: no sharing rule stands in the way of finding out what the name reaches.
    UniqueHandle located(Win32().CreateFileW(name.extended.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!located.valid())
        return d->locateNew(name.extended, GetLastError());
    return d->locateExisting(std::move(located), name.extended);
}

bool FileReplacement::replaces(const SourceFile &source) const
{
    return d->found && SameFile(IdentityOf(reinterpret_cast<HANDLE>(source.nativeHandle())), d->identity);
}

std::optional<FileError> FileReplacement::begin()
{
    for (int attempt = 0; attempt < 100 && !d->temporary.valid(); ++attempt) {
        d->temporaryPath = ChildOf(d->folder, HiddenName());
        d->temporary.reset(Win32().CreateFileW(d->temporaryPath.c_str(), GENERIC_WRITE | DELETE | WRITE_DAC,
            0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
        if (!d->temporary.valid() && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (!d->temporary.valid())
        return d->failure(Operation::Replace, GetLastError());
    // Until it is put in place: a crash or a kill leaves nothing behind.
    if (!d->markForDeletion(true)) {
        const DWORD code = GetLastError();
        d->discardTemporary();
        return d->failure(Operation::Write, code);
    }
    return std::nullopt;
}

std::optional<FileError> FileReplacement::write(const char *data, qint64 length)
{
    while (length > 0) {
        DWORD written = 0;
        if (!Win32().WriteFile(
                d->temporary.get(), data, DWORD(std::min<qint64>(length, 1 << 30)), &written, nullptr))
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
    std::optional<FileError> failure = d->keepAttributes();
    if (!failure && !Win32().FlushFileBuffers(d->temporary.get()))
        failure = d->failure(Operation::Write, GetLastError());
    if (!failure && !d->markForDeletion(false))
        failure = d->failure(Operation::Write, GetLastError());
    if (!failure)
        failure = d->putInPlace();
    if (failure) {
        d->discardTemporary();
        return failure;
    }
    // The handle is the library's now. Flushed again, the file system writes the rename to disk too.
    const bool confirmed = Win32().FlushFileBuffers(d->temporary.get());
    const DWORD code = GetLastError();
    d->temporary.reset();
    if (!confirmed)
        return d->failure(Operation::Confirm, code);
    return std::nullopt;
}
