#include "CommandLine.h"

#include <QFile>

// Bytes that are not UTF-8 would come back as U+FFFD, which names another
// file; only what survives the round trip is taken.
std::optional<QStringList> ProgramArguments(int argc, char *argv[], QString *undecodable)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        const QString decoded = QFile::decodeName(raw);
        if (QFile::encodeName(decoded) != raw) {
            *undecodable = decoded;
            return std::nullopt;
        }
        arguments.append(decoded);
    }
    return arguments;
}
