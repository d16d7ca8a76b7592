#include "WindowsPath.h"

#include <QDir>
#include <QRegularExpression>

#include <windows.h>

std::wstring ExtendedPath(const QString &path)
{
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    if (native.starts_with(L"\\\\?\\"))
        return native;
    const DWORD size = GetFullPathNameW(native.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return std::wstring();
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(native.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return std::wstring();
    full.resize(length);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring ParentOf(const std::wstring &extendedPath)
{
    const size_t slash = extendedPath.find_last_of(L'\\');
    return slash == std::wstring::npos ? extendedPath : extendedPath.substr(0, slash);
}

bool NamesDevice(const QString &path)
{
    static const QRegularExpression Device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9]|CONIN\\$|CONOUT\\$)"
                       "\\s*(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString name = QDir::fromNativeSeparators(path).section(QLatin1Char('/'), -1);
    return Device.match(name).hasMatch();
}
