#pragma once

#include <QString>

// Turns "description|pattern|description|pattern|" into Qt's "description (pattern);;description (pattern)".
// Several patterns of one pair are separated by ';'. An empty filter gives an empty result.
QString ToQtNameFilter(const QString &filter);
