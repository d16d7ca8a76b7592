#include "ConsoleOutput.h"

#include <io.h>
#include <windows.h>

bool WriteToStream(std::FILE *stream, const QString &text)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        std::fflush(stream);
        DWORD written = 0;
        return WriteConsoleW(
            handle, reinterpret_cast<const wchar_t *>(text.utf16()), DWORD(text.size()), &written, nullptr);
    }
    // Redirected: UTF-8, whatever the console's code page would have been.
    return std::fputs(text.toUtf8().constData(), stream) >= 0;
}
