#pragma once

#include <QString>

#include <cstdio>

// Writes `text` to a standard stream so that it reads right: as UTF-8, and on
// a Windows console through its own Unicode calls, whatever its code page.
// False when it could not be written.
bool WriteToStream(std::FILE *stream, const QString &text);
