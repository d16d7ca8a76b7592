#include "ConsoleOutput.h"

#include <windows.h>

// Through the standard handle rather than the C library, whose errno would
// name another cause than the system's.
int WriteToStream(std::FILE *stream, const QString &text)
{
    const HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        return WriteConsoleW(handle, reinterpret_cast<const wchar_t *>(text.utf16()), DWORD(text.size()),
                   &written, nullptr)
            ? 0
            : int(GetLastError());
    }
    // Redirected: UTF-8 with Windows' line ends, whatever the console's code page would have been.
    const QByteArray bytes = QString(text).replace(u'\n', QStringLiteral("\r\n")).toUtf8();
    for (qsizetype done = 0; done < bytes.size(); done += written) {
        if (!WriteFile(handle, bytes.constData() + done, DWORD(bytes.size() - done), &written, nullptr))
            return int(GetLastError());
        if (written == 0)
            return ERROR_WRITE_FAULT;
    }
    return 0;
}
