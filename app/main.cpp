#include "Form1.h"
#include "ProcessStart.h"
#include "ProgramIcon.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QString>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    if (!SecureProcessStart())
        return 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tessaly"_s);
    // No display name: Qt would append it to every title, and the notices' titles are part of what they say.
    QApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION));
    // Without Qt's own translation the standard buttons would read "OK" in an otherwise Chinese program.
    InstallQtChineseTranslation(app);
    QApplication::setWindowIcon(ProgramIcon());

    Form1 mainWindow;
    mainWindow.show();
    return app.exec();
}
