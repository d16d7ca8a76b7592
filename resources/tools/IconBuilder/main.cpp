#include "IconBuilder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds tessaly.ico, tessaly-16.png and tessaly-32.png from the XPM drawings."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("source"), QStringLiteral("Folder holding tessaly-16.xpm and tessaly-32.xpm."));
    parser.addPositionalArgument(
        QStringLiteral("output"), QStringLiteral("Folder the icon files are written to."));
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 2)
        parser.showHelp(2);

    IconBuilder builder(arguments.at(0), arguments.at(1));
    if (!builder.build()) {
        QTextStream(stderr) << builder.errorString() << Qt::endl;
        return 1;
    }
    return 0;
}
