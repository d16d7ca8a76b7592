#include "ProcessStart.h"

#include <windows.h>

namespace {

bool closedAtStart[3] = {};

DWORD StandardHandleOf(std::FILE *stream)
{
    return stream == stdin ? STD_INPUT_HANDLE : stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
}

int IndexOf(std::FILE *stream)
{
    return stream == stdin ? 0 : stream == stdout ? 1 : 2;
}

} // namespace

// Windows hands out no descriptor numbers that a closed standard stream could
// lend to a file, and has no signals for large files or closed pipes; a
// missing standard handle is only noted.
bool SecureProcessStart()
{
    for (std::FILE *stream : { stdin, stdout, stderr }) {
        const HANDLE handle = GetStdHandle(StandardHandleOf(stream));
        closedAtStart[IndexOf(stream)] = handle == nullptr || handle == INVALID_HANDLE_VALUE;
    }
    return true;
}

bool ClosedAtStart(std::FILE *stream)
{
    return closedAtStart[IndexOf(stream)];
}
