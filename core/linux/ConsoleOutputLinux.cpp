#include "ConsoleOutput.h"

#include <cerrno>
#include <unistd.h>

// Past stdio's buffer, so that a failure comes with its own errno.
int WriteToStream(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const int fd = ::fileno(stream);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        done += written;
    }
    return 0;
}
