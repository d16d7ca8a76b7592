#pragma once

#include <QString>

#include <string>

// A path as Win32 calls take it at any length: absolute, with backslashes,
// and "\\?\" in front. Empty when the system cannot make it absolute.
std::wstring ExtendedPath(const QString &path);
// The folder that holds an extended path, without a trailing backslash.
std::wstring ParentOf(const std::wstring &extendedPath);
// Whether the last part of the path is one of the names that Windows gives to
// devices (con.lib, NUL, COM1, ...), which opening would reach instead of a file.
bool NamesDevice(const QString &path);
