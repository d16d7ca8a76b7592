#pragma once

#include <QString>

#include <string>

// What a path names for Win32 calls: a file, as an extended path that works at any length (absolute, with
// backslashes and "\\?\" in front), or a device, which Windows reaches instead of a file under names such
// as con.lib, NUL, COM1 or \\.\pipe\x.
struct WindowsPath
{
    std::wstring extended; // empty for a device, or when the system cannot make it absolute
    bool device = false;
};

// When neither device nor extended path comes back, GetLastError() tells why.
WindowsPath ResolvePath(const QString &path);
// The folder that holds an extended path; the root of a drive or share keeps its backslash, since without
// it "\\?\E:" names the volume itself.
std::wstring ParentOf(const std::wstring &extendedPath);
// A name in a folder that ParentOf gave.
std::wstring ChildOf(const std::wstring &folder, const std::wstring &name);
