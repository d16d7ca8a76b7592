#include "ProcessStart.h"

// Windows hands out no descriptor numbers that a closed standard stream could
// lend to a file, and has no signals for large files or closed pipes.
bool SecureProcessStart()
{
    return true;
}
