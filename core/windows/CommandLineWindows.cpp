#include "CommandLine.h"

// shellapi.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

// The narrow argv has already lost whatever the code page cannot show
// (仙剑.gam arrives as ??.gam); the command line itself is Unicode.
std::optional<QStringList> ProgramArguments(int, char *[], QString *)
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    QStringList list;
    for (int i = 0; arguments && i < count; ++i)
        list.append(QString::fromWCharArray(arguments[i]));
    LocalFree(arguments);
    return list;
}
