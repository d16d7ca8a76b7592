/* The least program that replaces a file atomically and durably, as a floor
 * for gam2lib to be measured against: an anonymous file in the destination's
 * folder, an in-kernel copy, fsync, a name, a rename over the destination, and
 * a sync of the folder. No checks beyond failing loudly.
 *
 *   replace-floor SOURCE OFFSET DESTINATION
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <libgen.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static void check(int ok, const char *what)
{
    if (!ok) {
        perror(what);
        exit(2);
    }
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: %s SOURCE OFFSET DESTINATION\n", argv[0]);
        return 64;
    }
    char *copy = strdup(argv[3]);
    const char *folder = dirname(copy);
    int in = open(argv[1], O_RDONLY);
    struct stat source;
    check(in >= 0 && fstat(in, &source) == 0, argv[1]);
    int dir = open(folder, O_RDONLY | O_DIRECTORY);
    check(dir >= 0, folder);
    int out = openat(dir, ".", O_TMPFILE | O_WRONLY, 0644);
    check(out >= 0, "O_TMPFILE");

    loff_t from = atoll(argv[2]);
    while (from < source.st_size) {
        ssize_t n = copy_file_range(in, &from, out, NULL, (size_t)(source.st_size - from), 0);
        check(n > 0, "copy_file_range");
    }
    check(fsync(out) == 0, "fsync");

    char self[64], temporary[PATH_MAX];
    snprintf(self, sizeof self, "/proc/self/fd/%d", out);
    snprintf(temporary, sizeof temporary, "%s/.floor-%d", folder, (int)getpid());
    check(linkat(AT_FDCWD, self, AT_FDCWD, temporary, AT_SYMLINK_FOLLOW) == 0, "linkat");
    check(rename(temporary, argv[3]) == 0, "rename");
    check(fsync(dir) == 0, "fsync folder");
    return 0;
}
