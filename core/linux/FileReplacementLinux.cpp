#include "FileReplacement.h"
#include "SourceFile.h"
#include "UniqueFd.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using Operation = FileError::Operation;
using Cause = FileError::Cause;

bool SameInode(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Splits at the last slash as the kernel does: "a/b" into "a" and "b", "b"
// into "." and "b", "/b" into "/" and "b".
std::pair<QByteArray, QByteArray> SplitLast(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return { QByteArrayLiteral("."), path };
    return { slash == 0 ? QByteArrayLiteral("/") : path.left(slash), path.mid(slash + 1) };
}

// A folder opened for reading can be synced and asked for its flags; one
// that may only be searched still serves to reach the names in it.
UniqueFd OpenFolder(int base, const QByteArray &path)
{
    int fd = ::openat(base, path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = ::openat(base, path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return UniqueFd(fd);
}

// Names the very file behind a descriptor; opening it applies the usual permission checks.
QByteArray ProcPath(int fd)
{
    return "/proc/self/fd/" + QByteArray::number(fd);
}

bool ProcAvailable()
{
    return ::access("/proc/self/fd", X_OK) == 0;
}

// Whether no name in the folder may be renamed or removed. statx tells it of a
// folder opened only to search it; the flags need one opened for reading.
bool NamesFixed(int folder)
{
    struct statx attributes
    {
    };
    constexpr auto Fixed = STATX_ATTR_APPEND | STATX_ATTR_IMMUTABLE;
    if (::statx(folder, "", AT_EMPTY_PATH, 0, &attributes) == 0 && (attributes.stx_attributes_mask & Fixed))
        return attributes.stx_attributes & Fixed;
    int flags = 0;
    return ::ioctl(folder, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL));
}

// A short hidden name beside the target, one a person recognises should a
// crash leave it behind. `take` claims a name, failing with EEXIST if it is in use.
template<typename Take> bool ClaimHiddenName(QByteArray &claimed, Take take)
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray candidate = ".tessaly-";
        for (int i = 0; i < 6; ++i)
            candidate += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)];
        if (take(candidate)) {
            claimed = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

struct FileReplacement::Private
{
    QString path;
    QByteArray encodedPath;

    // Where the new file goes: the real folder of the file the name reaches.
    UniqueFd folder;
    QByteArray name;

    bool found = false; // the name reaches an existing file
    struct stat target
    {
    };
    UniqueFd existing;

    UniqueFd temporary;
    bool anonymous = false;
    QByteArray temporaryName; // once the new file has a name of its own

    FileError failure(Operation operation, int code) const
    {
        return FileError::fromSystem(operation, FileError::Role::Destination, path, code);
    }
    FileError refusal(Operation operation, Cause cause) const
    {
        return FileError(operation, FileError::Role::Destination, path, cause);
    }

    std::optional<FileError> openExisting(const UniqueFd &located);
    std::optional<FileError> locateExisting();
    std::optional<FileError> locateNew();
    std::optional<FileError> checkRename() const;
    bool isMountPoint(const struct stat &folderStat) const;
    void keepAttributes() const;
    bool createNamedTemporary();
    bool nameAnonymousTemporary();
    std::optional<FileError> putInPlace();
    std::optional<FileError> confirmOnDisk();
    void discardTemporary();
};

std::optional<FileError> FileReplacement::Private::openExisting(const UniqueFd &located)
{
    existing.reset(::open(ProcPath(located.get()).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!existing.valid() && errno == ENOENT && !ProcAvailable())
        existing.reset(::open(encodedPath.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!existing.valid())
        return failure(Operation::Open, errno);
    struct stat opened
    {
    };
    if (::fstat(existing.get(), &opened) != 0 || !SameInode(opened, target))
        return refusal(Operation::Open, Cause::ChangedMeanwhile);
    return std::nullopt;
}

// Follows a final symbolic link step by step, from the real folder of each
// link, since its target is relative to where the link really lies.
std::optional<FileError> FileReplacement::Private::locateExisting()
{
    auto [folderPath, entry] = SplitLast(encodedPath);
    folder = OpenFolder(AT_FDCWD, folderPath);
    for (int hops = 0; folder.valid() && hops <= 40; ++hops) {
        struct stat entryStat
        {
        };
        if (::fstatat(folder.get(), entry.constData(), &entryStat, AT_SYMLINK_NOFOLLOW) != 0)
            break;
        if (!S_ISLNK(entryStat.st_mode)) {
            if (!SameInode(entryStat, target))
                break;
            name = entry;
            return std::nullopt;
        }
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlinkat(folder.get(), entry.constData(), link.data(), link.size());
        if (length < 0)
            break;
        link.truncate(length);
        std::tie(folderPath, entry) = SplitLast(link);
        folder = OpenFolder(folder.get(), folderPath);
    }
    // The path changed while it was being followed.
    return refusal(Operation::Open, Cause::ChangedMeanwhile);
}

std::optional<FileError> FileReplacement::Private::locateNew()
{
    const auto [folderPath, entry] = SplitLast(encodedPath);
    folder = OpenFolder(AT_FDCWD, folderPath);
    if (!folder.valid())
        return failure(Operation::Open, errno);
    name = entry;
    struct stat entryStat
    {
    };
    if (::fstatat(folder.get(), name.constData(), &entryStat, AT_SYMLINK_NOFOLLOW) == 0) {
        // A link that leads nowhere: writing through it could plant a file
        // wherever it points, so, as cp does, it is left alone.
        return refusal(S_ISLNK(entryStat.st_mode) ? Operation::Replace : Operation::Open,
            S_ISLNK(entryStat.st_mode) ? Cause::DanglingLink : Cause::ChangedMeanwhile);
    }
    if (errno != ENOENT)
        return failure(Operation::Open, errno);
    if (::faccessat(folder.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return failure(Operation::Open, errno);
    return std::nullopt;
}

// The checks the final rename would fail, made before anything is copied.
std::optional<FileError> FileReplacement::Private::checkRename() const
{
    if (::faccessat(folder.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return failure(Operation::Replace, errno);
    struct stat folderStat
    {
    };
    if (::fstat(folder.get(), &folderStat) != 0)
        return failure(Operation::Replace, errno);
    const uid_t me = ::geteuid();
    if ((folderStat.st_mode & S_ISVTX) && me != 0 && me != target.st_uid && me != folderStat.st_uid)
        return failure(Operation::Replace, EPERM);
    if (NamesFixed(folder.get()))
        return failure(Operation::Replace, EPERM);
    if (isMountPoint(folderStat))
        return failure(Operation::Replace, EBUSY);
    return std::nullopt;
}

bool FileReplacement::Private::isMountPoint(const struct stat &folderStat) const
{
#ifdef STATX_ATTR_MOUNT_ROOT
    struct statx entry
    {
    };
    if (::statx(folder.get(), name.constData(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &entry) == 0
        && (entry.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return entry.stx_attributes & STATX_ATTR_MOUNT_ROOT;
#endif
    // Kernels before 5.8 cannot tell; a file on another device than its
    // folder is taken for one, which refuses every file of an overlay on two file systems.
    return target.st_dev != folderStat.st_dev;
}

// Best effort: what the caller may not set stays as a new file would have it.
void FileReplacement::Private::keepAttributes() const
{
    const int from = existing.get();
    const int to = temporary.get();
    // The group alone where the owner may not be given away.
    [[maybe_unused]] const bool owned
        = ::fchown(to, target.st_uid, target.st_gid) == 0 || ::fchown(to, uid_t(-1), target.st_gid) == 0;

    // The access ACL travels as the system.posix_acl_access attribute.
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize > 0) {
        QByteArray names(listSize, Qt::Uninitialized);
        const ssize_t got = ::flistxattr(from, names.data(), names.size());
        for (const QByteArray &attribute : names.left(std::max<ssize_t>(got, 0)).split('\0')) {
            if (attribute.isEmpty())
                continue;
            const ssize_t size = ::fgetxattr(from, attribute.constData(), nullptr, 0);
            if (size < 0)
                continue;
            QByteArray value(size, Qt::Uninitialized);
            const ssize_t read = ::fgetxattr(from, attribute.constData(), value.data(), value.size());
            if (read >= 0)
                (void)::fsetxattr(to, attribute.constData(), value.constData(), size_t(read), 0);
        }
    }
    // Last, since a change of owner clears the set-id bits.
    (void)::fchmod(to, target.st_mode & 07777);
}

bool FileReplacement::Private::createNamedTemporary()
{
    return ClaimHiddenName(temporaryName, [this](const QByteArray &candidate) {
        temporary.reset(::openat(folder.get(), candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
            found ? 0600 : 0666));
        return temporary.valid();
    });
}

// Linking through /proc needs no privilege, unlike AT_EMPTY_PATH.
bool FileReplacement::Private::nameAnonymousTemporary()
{
    const QByteArray self = ProcPath(temporary.get());
    return ClaimHiddenName(temporaryName, [&](const QByteArray &candidate) {
        return ::linkat(AT_FDCWD, self.constData(), folder.get(), candidate.constData(), AT_SYMLINK_FOLLOW)
            == 0;
    });
}

std::optional<FileError> FileReplacement::Private::putInPlace()
{
    // A new file gets its final name at once, so no other name ever exists.
    if (!found && anonymous) {
        if (::linkat(AT_FDCWD, ProcPath(temporary.get()).constData(), folder.get(), name.constData(),
                AT_SYMLINK_FOLLOW)
            != 0)
            return failure(Operation::Replace, errno);
        return std::nullopt;
    }
    // A rename is the only way over an existing file; it needs a name to move.
    if (anonymous && !nameAnonymousTemporary())
        return failure(Operation::Replace, errno);
    if (::renameat(folder.get(), temporaryName.constData(), folder.get(), name.constData()) != 0)
        return failure(Operation::Replace, errno);
    temporaryName.clear();
    return std::nullopt;
}

// Without this, a power cut could still bring back the old file, or none.
std::optional<FileError> FileReplacement::Private::confirmOnDisk()
{
    int result = ::fsync(folder.get());
    // A folder that may only be searched cannot be synced by itself; its whole file system can.
    if (result != 0 && (errno == EBADF || errno == EINVAL))
        result = ::syncfs(temporary.get());
    const int code = errno;
    temporary.reset();
    if (result != 0)
        return failure(Operation::Confirm, code);
    return std::nullopt;
}

void FileReplacement::Private::discardTemporary()
{
    if (!temporaryName.isEmpty())
        ::unlinkat(folder.get(), temporaryName.constData(), 0);
    temporaryName.clear();
    temporary.reset();
}

FileReplacement::FileReplacement(QString path)
    : d(std::make_unique<Private>())
{
    d->path = std::move(path);
    d->encodedPath = QFile::encodeName(d->path);
}

FileReplacement::~FileReplacement()
{
    d->discardTemporary();
}

std::optional<FileError> FileReplacement::prepare()
{
    // Resolved by the kernel without being opened for I/O, so that nothing
    // but a regular file is ever opened for writing.
    const UniqueFd located(::open(d->encodedPath.constData(), O_PATH | O_CLOEXEC));
    if (!located.valid()) {
        if (errno != ENOENT)
            return d->failure(Operation::Open, errno);
        return d->locateNew();
    }
    if (::fstat(located.get(), &d->target) != 0)
        return d->failure(Operation::Open, errno);
    d->found = true;
    if (S_ISDIR(d->target.st_mode))
        return d->failure(Operation::Open, EISDIR);
    if (!S_ISREG(d->target.st_mode))
        return d->refusal(Operation::Replace, Cause::NotRegularFile);
    // Opened for writing, so that the system's rules on the file apply:
    // permissions, read-only mounts, append-only files.
    if (auto failure = d->openExisting(located))
        return failure;
    if (auto failure = d->locateExisting())
        return failure;
    return d->checkRename();
}

bool FileReplacement::replaces(const SourceFile &source) const
{
    struct stat other
    {
    };
    return d->found && ::fstat(int(source.nativeHandle()), &other) == 0 && SameInode(other, d->target);
}

std::optional<FileError> FileReplacement::begin()
{
    // Anonymous while it is written, so that nothing is left if we die.
    d->temporary.reset(
        ::openat(d->folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, d->found ? 0600 : 0666));
    d->anonymous = d->temporary.valid() && ProcAvailable();
    if (d->anonymous)
        return std::nullopt;
    d->temporary.reset();
    // A named file could never be renamed away in an append-only folder, nor removed.
    if (NamesFixed(d->folder.get()))
        return d->failure(Operation::Replace, EPERM);
    if (!d->createNamedTemporary())
        return d->failure(Operation::Replace, errno);
    return std::nullopt;
}

std::optional<FileError> FileReplacement::write(const char *data, qint64 length)
{
    while (length > 0) {
        const ssize_t written = ::write(d->temporary.get(), data, size_t(length));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return d->failure(Operation::Write, written < 0 ? errno : EIO);
        data += written;
        length -= written;
    }
    return std::nullopt;
}

qint64 FileReplacement::copyInSystem(const SourceFile &source, qint64 offset, qint64 length)
{
    qint64 copied = 0;
    loff_t from = offset;
    while (copied < length) {
        const auto chunk = size_t(std::min(length - copied, qint64(1) << 30));
        const ssize_t n
            = ::copy_file_range(int(source.nativeHandle()), &from, d->temporary.get(), nullptr, chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        copied += n;
    }
    return copied;
}

std::optional<FileError> FileReplacement::commit()
{
    if (d->found)
        d->keepAttributes();
    std::optional<FileError> failure;
    if (::fsync(d->temporary.get()) != 0)
        failure = d->failure(Operation::Write, errno);
    else
        failure = d->putInPlace();
    if (failure) {
        d->discardTemporary();
        return failure;
    }
    return d->confirmOnDisk();
}
