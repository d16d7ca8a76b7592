#include "FileFilter.h"

#include <QStringList>

using namespace Qt::StringLiterals;

QString ToQtNameFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList qtFilters;
    // A trailing bar leaves an empty last part, and a description without a pattern has no partner:
    // both fall out of the pairing.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns.append(trimmed);
        }
        if (patterns.isEmpty())
            continue;
        const QString description = parts.at(i).trimmed();
        const QString patternList = patterns.join(u' ');
        qtFilters.append(description.isEmpty() ? patternList : u"%1 (%2)"_s.arg(description, patternList));
    }
    return qtFilters.join(u";;"_s);
}
