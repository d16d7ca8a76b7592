#pragma once

#include "GenerateResult.h"
#include "NoticeSink.h"

#include <QString>
#include <QtGlobal>

// Where the data library starts inside a game file.
inline constexpr qint64 LibDataOffset = 294912;

// Writes the library of the game at `source` to `destination`: the game
// without its first LibDataOffset bytes. The destination is replaced only
// once the new library is complete; on rejection or failure nothing on disk
// changes. Notices go to `sink`; failures come back in the result.
GenerateResult GenerateLib(const QString &source, const QString &destination, NoticeSink &sink);
