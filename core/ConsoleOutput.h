#pragma once

#include <QString>

#include <cstdio>

// Writes `text` to stdout or stderr at once, so that it reads right: as UTF-8,
// and on a Windows console through its own Unicode calls, whatever its code
// page. 0 when it is written, else the system's code for why not (errno, or
// GetLastError() on Windows), so that the real cause can be told.
int WriteToStream(std::FILE *stream, const QString &text);
