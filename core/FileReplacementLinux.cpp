#include "FileReplacement.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace {

const QString NotRegular = QStringLiteral("不是普通文件");

class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd)
    {
    }
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

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
    QByteArray temporaryName; // once the new file has a name of its own
    QFile device;

    FileError error(FileError::Operation operation, const QString &reason) const
    {
        return FileError(operation, FileError::Role::Destination, path, reason);
    }
    FileError systemError(FileError::Operation operation) const
    {
        return error(operation, SystemReason(errno));
    }

    std::optional<FileError> locateExisting();
    std::optional<FileError> locateNew();
    std::optional<FileError> checkRename() const;
    void keepAttributes() const;
    bool createNamedTemporary();
    bool nameAnonymousTemporary();
    void discardTemporary();
};

// Follows a final symbolic link step by step, from the real folder of each
// link, since its target is relative to where the link really lies.
std::optional<FileError> FileReplacement::Private::locateExisting()
{
    auto [folderPath, entry] = SplitLast(encodedPath);
    folder = OpenFolder(AT_FDCWD, folderPath);
    for (int hops = 0; folder.valid(); ++hops) {
        struct stat entryStat
        {
        };
        if (::fstatat(folder.get(), entry.constData(), &entryStat, AT_SYMLINK_NOFOLLOW) != 0)
            break;
        if (!S_ISLNK(entryStat.st_mode)) {
            if (!SameInode(entryStat, target)) {
                errno = EAGAIN;
                break;
            }
            name = entry;
            return std::nullopt;
        }
        if (hops == 40) {
            errno = ELOOP;
            break;
        }
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlinkat(folder.get(), entry.constData(), link.data(), link.size());
        if (length < 0)
            break;
        link.truncate(length);
        std::tie(folderPath, entry) = SplitLast(link);
        folder = OpenFolder(folder.get(), folderPath);
    }
    // The path changed under our feet while it was being followed.
    return systemError(FileError::Operation::Open);
}

std::optional<FileError> FileReplacement::Private::locateNew()
{
    const auto [folderPath, entry] = SplitLast(encodedPath);
    folder = OpenFolder(AT_FDCWD, folderPath);
    if (!folder.valid())
        return systemError(FileError::Operation::Open);
    name = entry;
    struct stat entryStat
    {
    };
    if (::fstatat(folder.get(), name.constData(), &entryStat, AT_SYMLINK_NOFOLLOW) == 0) {
        // Only a link that leads nowhere exists without a target. Writing
        // through it could plant a file wherever it points, so, as cp does,
        // it is left alone.
        return error(FileError::Operation::Replace, QStringLiteral("是指向不存在文件的符号链接"));
    }
    if (errno != ENOENT)
        return systemError(FileError::Operation::Open);
    if (::faccessat(folder.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return systemError(FileError::Operation::Open);
    return std::nullopt;
}

// The checks the final rename would fail, made before anything is copied.
std::optional<FileError> FileReplacement::Private::checkRename() const
{
    if (::faccessat(folder.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return systemError(FileError::Operation::Replace);

    struct stat folderStat
    {
    };
    if (::fstat(folder.get(), &folderStat) != 0)
        return systemError(FileError::Operation::Replace);
    const uid_t me = ::geteuid();
    if ((folderStat.st_mode & S_ISVTX) && me != 0 && me != target.st_uid && me != folderStat.st_uid) {
        errno = EPERM;
        return systemError(FileError::Operation::Replace);
    }

    int flags = 0;
    if (::ioctl(folder.get(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL))) {
        errno = EPERM;
        return systemError(FileError::Operation::Replace);
    }

    bool mountPoint = target.st_dev != folderStat.st_dev;
#ifdef STATX_ATTR_MOUNT_ROOT
    struct statx entry
    {
    };
    if (::statx(folder.get(), name.constData(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &entry) == 0
        && (entry.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        mountPoint = mountPoint || (entry.stx_attributes & STATX_ATTR_MOUNT_ROOT);
#endif
    if (mountPoint) {
        errno = EBUSY;
        return systemError(FileError::Operation::Replace);
    }
    return std::nullopt;
}

// Best effort: what the caller may not set stays as a new file would have it.
void FileReplacement::Private::keepAttributes() const
{
    const int from = existing.get();
    const int to = temporary.get();
    if (::fchown(to, target.st_uid, target.st_gid) != 0)
        (void)::fchown(to, uid_t(-1), target.st_gid);

    // The access ACL travels as the system.posix_acl_access attribute.
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize > 0) {
        QByteArray names(listSize, Qt::Uninitialized);
        const ssize_t got = ::flistxattr(from, names.data(), names.size());
        for (const QByteArray &attribute : names.left(qMax<ssize_t>(got, 0)).split('\0')) {
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

// A short hidden name beside the target, one a person recognises should a
// crash leave it behind. `take` claims a name, failing with EEXIST if it is in use.
namespace {

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

bool FileReplacement::Private::createNamedTemporary()
{
    return ClaimHiddenName(temporaryName, [this](const QByteArray &candidate) {
        temporary.reset(::openat(folder.get(), candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
            found ? 0600 : 0666));
        return temporary.valid();
    });
}

bool FileReplacement::Private::nameAnonymousTemporary()
{
    // Linking through /proc needs no privilege, unlike AT_EMPTY_PATH.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(temporary.get());
    return ClaimHiddenName(temporaryName, [&](const QByteArray &candidate) {
        return ::linkat(AT_FDCWD, self.constData(), folder.get(), candidate.constData(), AT_SYMLINK_FOLLOW)
            == 0;
    });
}

void FileReplacement::Private::discardTemporary()
{
    device.close();
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
    if (::stat(d->encodedPath.constData(), &d->target) != 0) {
        if (errno != ENOENT)
            return d->systemError(FileError::Operation::Open);
        return d->locateNew();
    }
    d->found = true;
    if (S_ISDIR(d->target.st_mode))
        return d->error(FileError::Operation::Open, SystemReason(EISDIR));
    // Opening a device or a FIFO can block or act on it; it is never replaced anyway.
    if (!S_ISREG(d->target.st_mode))
        return d->error(FileError::Operation::Replace, NotRegular);

    // Opened for writing first, so that the system's rules on the file apply:
    // permissions, read-only mounts, link protections.
    d->existing.reset(::open(d->encodedPath.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!d->existing.valid())
        return d->systemError(FileError::Operation::Open);
    struct stat opened
    {
    };
    if (::fstat(d->existing.get(), &opened) != 0 || !SameInode(opened, d->target)
        || !S_ISREG(opened.st_mode)) {
        errno = EAGAIN;
        return d->systemError(FileError::Operation::Open);
    }
    if (auto failure = d->locateExisting())
        return failure;
    return d->checkRename();
}

bool FileReplacement::replaces(const QFileDevice &file) const
{
    struct stat other
    {
    };
    return d->found && ::fstat(file.handle(), &other) == 0 && SameInode(other, d->target);
}

std::optional<FileError> FileReplacement::begin()
{
    // Anonymous while it is written, so that nothing is left if we die.
    d->temporary.reset(
        ::openat(d->folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, d->found ? 0600 : 0666));
    if ((!d->temporary.valid() || ::access("/proc/self/fd", X_OK) != 0) && !d->createNamedTemporary())
        return d->systemError(FileError::Operation::Replace);
    if (!d->device.open(d->temporary.get(), QIODevice::WriteOnly | QIODevice::Unbuffered))
        return d->error(FileError::Operation::Write, d->device.errorString());
    return std::nullopt;
}

QFileDevice &FileReplacement::device()
{
    return d->device;
}

std::optional<FileError> FileReplacement::commit()
{
    d->device.close();
    if (d->found)
        d->keepAttributes();
    if (::fsync(d->temporary.get()) != 0) {
        auto failure = d->systemError(FileError::Operation::Write);
        d->discardTemporary();
        return failure;
    }
    if (d->temporaryName.isEmpty() && !d->nameAnonymousTemporary()) {
        auto failure = d->systemError(FileError::Operation::Replace);
        d->discardTemporary();
        return failure;
    }
    if (::renameat(d->folder.get(), d->temporaryName.constData(), d->folder.get(), d->name.constData())
        != 0) {
        auto failure = d->systemError(FileError::Operation::Replace);
        d->discardTemporary();
        return failure;
    }
    d->temporaryName.clear();
    d->temporary.reset();
    // Without this, a power cut could still bring back the old file.
    if (::fsync(d->folder.get()) != 0 && errno != EBADF)
        return d->systemError(FileError::Operation::Replace);
    return std::nullopt;
}
