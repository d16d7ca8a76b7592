/* The least Windows program that replaces a file atomically and durably, as a
 * floor for gam2lib.exe to be measured against: a temporary file beside the
 * destination, 1 MiB ReadFile/WriteFile, FlushFileBuffers, and one replacing
 * rename written through. No checks beyond failing loudly.
 *
 *   replace-floor-windows SOURCE OFFSET DESTINATION
 *
 * Built with MinGW-w64: x86_64-w64-mingw32-gcc -O2 -municode
 */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

static void check(BOOL ok, const char *what)
{
    if (!ok) {
        fprintf(stderr, "%s failed: error %lu\n", what, GetLastError());
        exit(2);
    }
}

int wmain(int argc, wchar_t **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: replace-floor-windows SOURCE OFFSET DESTINATION\n");
        return 64;
    }
    HANDLE in = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
        FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    check(in != INVALID_HANDLE_VALUE, "open source");
    LARGE_INTEGER offset;
    offset.QuadPart = _wtoi64(argv[2]);
    check(SetFilePointerEx(in, offset, NULL, FILE_BEGIN), "seek");

    wchar_t temporary[MAX_PATH];
    _snwprintf(temporary, MAX_PATH, L"%ls.floor-%lu", argv[3], GetCurrentProcessId());
    temporary[MAX_PATH - 1] = L'\0';
    HANDLE out = CreateFileW(temporary, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    check(out != INVALID_HANDLE_VALUE, "create temporary");

    static char buffer[1 << 20];
    for (;;) {
        DWORD got = 0, written = 0;
        check(ReadFile(in, buffer, sizeof buffer, &got, NULL), "read");
        if (got == 0)
            break;
        check(WriteFile(out, buffer, got, &written, NULL) && written == got, "write");
    }
    check(FlushFileBuffers(out), "flush");
    CloseHandle(out);
    CloseHandle(in);
    check(MoveFileExW(temporary, argv[3], MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), "rename");
    return 0;
}
