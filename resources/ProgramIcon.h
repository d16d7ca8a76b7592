#pragma once

#include <QIcon>

// The program's icon, 16×16 and 32×32, embedded as ":/tessaly/tessaly.ico".
QIcon ProgramIcon();
