#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's arguments as the system handed them over, without Qt taking
// any as its own. Nothing, and the argument in `undecodable`, when one could
// not be taken as a name without turning it into another.
std::optional<QStringList> ProgramArguments(int argc, char *argv[], QString *undecodable);
