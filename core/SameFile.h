#pragma once

#include <QString>

// True when both paths lead to one file: the same spelling, another spelling,
// a symbolic link or a hard link. False when either does not exist.
bool NameSameFile(const QString &first, const QString &second);
