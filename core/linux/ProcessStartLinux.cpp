#include "ProcessStart.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool closedAtStart[3] = {};

} // namespace

bool SecureProcessStart()
{
    for (int standard = STDIN_FILENO; standard <= STDERR_FILENO; ++standard) {
        if (::fcntl(standard, F_GETFD) != -1 || errno != EBADF)
            continue;
        closedAtStart[standard] = true;
        // The lowest free number is taken, and the ones below are open by now.
        const int fd = ::open("/dev/null", standard == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (fd != standard) {
            if (fd >= 0)
                ::close(fd);
            return false;
        }
    }
    return std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

bool ClosedAtStart(std::FILE *stream)
{
    const int fd = ::fileno(stream);
    return fd >= STDIN_FILENO && fd <= STDERR_FILENO && closedAtStart[fd];
}
