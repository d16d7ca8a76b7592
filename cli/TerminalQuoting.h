#pragma once

#include <QString>

// A name as it may go to a terminal: as it is when it holds no control
// characters, else quoted as ls and cp quote it ('a'$'\033''b'), so that a
// downloaded game's name cannot play escape sequences on the terminal.
QString QuotedForTerminal(const QString &name);
