#include "ProcessStart.h"

#include <windows.h>

namespace {

constexpr DWORD StandardHandles[] = { STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE };
bool closedAtStart[3] = {};

} // namespace

// Windows hands out no descriptor numbers that a closed standard stream could
// lend to a file, and has no signals for large files or closed pipes; a
// parent that gave no standard handle is only noted.
bool SecureProcessStart()
{
    for (int i = 0; i < 3; ++i) {
        const HANDLE handle = GetStdHandle(StandardHandles[i]);
        closedAtStart[i] = handle == nullptr || handle == INVALID_HANDLE_VALUE;
    }
    return true;
}

bool ClosedAtStart(std::FILE *stream)
{
    return closedAtStart[stream == stdin ? 0 : stream == stdout ? 1 : 2];
}
