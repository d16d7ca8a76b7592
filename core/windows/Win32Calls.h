#pragma once

#include <windows.h>

// Every system call that reads the game and replaces the library, in one table that a test may change to
// make any of them fail, as SQLite's os_win.c lets its tests do. The entries are named as the functions
// they stand for, and start as those functions.
#define TESSALY_WIN32_CALLS(X)                                                                               \
    X(GetFullPathNameW, DWORD, LPCWSTR, DWORD, LPWSTR, LPWSTR *)                                             \
    X(CreateFileW, HANDLE, LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)               \
    X(GetFileType, DWORD, HANDLE)                                                                            \
    X(GetFileInformationByHandle, BOOL, HANDLE, LPBY_HANDLE_FILE_INFORMATION)                                \
    X(GetFileInformationByHandleEx, BOOL, HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD)                  \
    X(SetFileInformationByHandle, BOOL, HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD)                    \
    X(GetFinalPathNameByHandleW, DWORD, HANDLE, LPWSTR, DWORD, DWORD)                                        \
    X(GetKernelObjectSecurity, BOOL, HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD)     \
    X(SetKernelObjectSecurity, BOOL, HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR)                     \
    X(SetFilePointerEx, BOOL, HANDLE, LARGE_INTEGER, PLARGE_INTEGER, DWORD)                                  \
    X(ReadFile, BOOL, HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED)                                          \
    X(WriteFile, BOOL, HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED)                                        \
    X(FlushFileBuffers, BOOL, HANDLE)                                                                        \
    X(DeleteFileW, BOOL, LPCWSTR)                                                                            \
    X(Sleep, void, DWORD)

struct Win32Calls
{
#define TESSALY_WIN32_ENTRY(name, result, ...) result(WINAPI *name)(__VA_ARGS__) = &::name;
    TESSALY_WIN32_CALLS(TESSALY_WIN32_ENTRY)
#undef TESSALY_WIN32_ENTRY
};

// The table in use.
Win32Calls &Win32();
