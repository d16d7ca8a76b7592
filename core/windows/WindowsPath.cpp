#include "WindowsPath.h"

#include "Win32Calls.h"

#include <QDir>
#include <QRegularExpression>

namespace {

constexpr std::wstring_view Extended = L"\\\\?\\";
constexpr std::wstring_view Device = L"\\\\.\\";

// "C:\..." after the prefix.
bool IsDrivePath(std::wstring_view rest)
{
    const wchar_t letter = rest.empty() ? 0 : wchar_t(rest[0] | 0x20);
    return rest.size() >= 3 && letter >= L'a' && letter <= L'z' && rest[1] == L':' && rest[2] == L'\\';
}

// Names of devices in every folder; Windows also reserves COM0, LPT0 and the superscript digits.
bool IsDeviceName(const QString &native)
{
    static const QRegularExpression Name(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[0-9\\x{B9}\\x{B2}\\x{B3}]|LPT[0-9\\x{B9}\\x{B2}\\x{B3}]"
                       "|CONIN\\$|CONOUT\\$)\\s*([.:].*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    QString name = native.section(QLatin1Char('\\'), -1);
    // "C:nul" is NUL too.
    if (!native.contains(QLatin1Char('\\')) && name.size() >= 2 && name[1] == QLatin1Char(':'))
        name = name.mid(2);
    return Name.match(name).hasMatch();
}

std::wstring FullPath(const std::wstring &native)
{
    const DWORD size = Win32().GetFullPathNameW(native.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return std::wstring();
    std::wstring full(size, L'\0');
    const DWORD length = Win32().GetFullPathNameW(native.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        if (length != 0)
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return std::wstring();
    }
    full.resize(length);
    return full;
}

} // namespace

WindowsPath ResolvePath(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    if (IsDeviceName(native))
        return { std::wstring(), true };
    std::wstring full = native.toStdWString();
    if (full.starts_with(Extended)) {
        // Drives, shares and volumes hold files; the rest of that namespace is devices.
        const std::wstring_view rest = std::wstring_view(full).substr(Extended.size());
        const bool file = IsDrivePath(rest) || rest.starts_with(L"UNC\\") || rest.starts_with(L"Volume{");
        return file ? WindowsPath { full, false } : WindowsPath { std::wstring(), true };
    }
    full = FullPath(full);
    if (full.empty())
        return {};
    // "\\.\C:\x.lib" is a file on drive C:; "\\.\nul", "\\.\pipe\x" or "\\.\C:" are devices.
    if (full.starts_with(Device)) {
        const std::wstring_view rest = std::wstring_view(full).substr(Device.size());
        if (!IsDrivePath(rest))
            return { std::wstring(), true };
        return { std::wstring(Extended) + std::wstring(rest), false };
    }
    if (full.starts_with(L"\\\\"))
        return { std::wstring(Extended) + L"UNC\\" + full.substr(2), false };
    return { std::wstring(Extended) + full, false };
}

std::wstring ParentOf(const std::wstring &extendedPath)
{
    const size_t slash = extendedPath.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash < Extended.size())
        return extendedPath;
    const std::wstring parent = extendedPath.substr(0, slash);
    std::wstring_view rest = std::wstring_view(parent).substr(Extended.size());
    // A share's root is "UNC\server\share"; a drive's "C:", a volume's "Volume{...}".
    if (rest.starts_with(L"UNC\\")) {
        const size_t server = rest.find(L'\\', 4);
        rest = server == std::wstring_view::npos ? std::wstring_view() : rest.substr(server + 1);
    }
    return rest.find(L'\\') == std::wstring_view::npos ? parent + L'\\' : parent;
}

std::wstring ChildOf(const std::wstring &folder, const std::wstring &name)
{
    return folder.ends_with(L'\\') ? folder + name : folder + L'\\' + name;
}
