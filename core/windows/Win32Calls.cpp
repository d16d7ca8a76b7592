#include "Win32Calls.h"

Win32Calls &Win32()
{
    static Win32Calls calls;
    return calls;
}
