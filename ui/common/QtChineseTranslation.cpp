#include "QtChineseTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

bool InstallQtChineseTranslation(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    // The interface is Chinese whatever the system locale, so the file is named outright.
    if (!translator->load(
            QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
