#include "PictureTour.h"
#include "ProgramIcon.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QDir>
#include <QString>
#include <QStringList>

#include <cstdio>

using namespace Qt::StringLiterals;

// Usage: tessaly-pictures [output folder]; the folder defaults to the source tree's docs/.
int main(int argc, char *argv[])
{
    // The same pixels on every machine: no desktop, no theme, no locale of its own.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");

    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tessaly"_s);
    if (!InstallQtChineseTranslation(app)) {
        std::fputs("tessaly-pictures: Qt's Simplified Chinese translation (qtbase_zh_CN) is not installed\n",
            stderr);
        return 1;
    }
    QApplication::setWindowIcon(ProgramIcon());

    const QStringList arguments = QApplication::arguments();
    const QDir output(arguments.size() > 1 ? arguments.at(1) : QStringLiteral(TESSALY_DOCS_DIR));
    if (!output.exists() && !QDir().mkpath(output.path())) {
        std::fprintf(stderr, "tessaly-pictures: cannot create %s\n", qPrintable(output.path()));
        return 1;
    }

    PictureTour tour(output);
    if (!tour.run()) {
        for (const QString &problem : tour.problems())
            std::fprintf(stderr, "tessaly-pictures: %s\n", qPrintable(problem));
        return 1;
    }
    std::printf("tessaly-pictures: pictures written to %s\n",
        qPrintable(QDir::toNativeSeparators(output.absolutePath())));
    return 0;
}
