// Preloaded into gam2lib: a folder or a whole file system cannot be synced, as
// on a failing disk, while files still can. What the kernel refuses to sync
// (a folder that may only be searched) it still refuses as it would.
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Names the program it is loaded into on descriptor 9, which the test opens
// for it, so that the test knows it is in force there.
__attribute__((constructor)) static void Announce()
{
    ::dprintf(9, "%s\n", program_invocation_short_name);
}

extern "C" int fsync(int fd)
{
    const int result = int(::syscall(SYS_fsync, fd));
    struct stat info = {};
    if (result == 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        errno = EIO;
        return -1;
    }
    return result;
}

extern "C" int syncfs(int) noexcept
{
    errno = EIO;
    return -1;
}
