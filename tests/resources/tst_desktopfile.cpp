#include <QFile>
#include <QGuiApplication>
#include <QIODevice>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTest>

namespace {

const QString desktopFile = QStringLiteral(TESSALY_DESKTOP_FILE);

// Key/value lines of the [Desktop Entry] group, in file order.
QStringList entryLines()
{
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(u'=') && !line.startsWith(u'#'))
            lines.append(line);
    }
    return lines;
}

} // namespace

class DesktopFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void passesValidator();
    void hasEntry_data();
    void hasEntry();
    void namesGameFilesInChinese();
};

void DesktopFileTest::cleanup()
{
    QVERIFY(QGuiApplication::topLevelWindows().isEmpty());
}

void DesktopFileTest::passesValidator()
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed");

    QProcess process;
    process.start(validator, { desktopFile });
    QVERIFY(process.waitForFinished(30000));
    const QString report
        = QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, qPrintable(report));
    QVERIFY2(report.trimmed().isEmpty(), qPrintable(report));
}

void DesktopFileTest::hasEntry_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("type") << QStringLiteral("Type=Application");
    QTest::newRow("name") << QStringLiteral("Name=Tessaly");
    QTest::newRow("exec") << QStringLiteral("Exec=tessaly");
    QTest::newRow("icon") << QStringLiteral("Icon=tessaly");
    QTest::newRow("terminal") << QStringLiteral("Terminal=false");
    QTest::newRow("categories") << QStringLiteral("Categories=Utility;");
}

void DesktopFileTest::hasEntry()
{
    QFETCH(QString, line);
    QVERIFY2(entryLines().contains(line), qPrintable(line));
}

void DesktopFileTest::namesGameFilesInChinese()
{
    const QStringList lines = entryLines();
    QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^Name\\[zh_CN\\]=.+"))).size() == 1);
    const QStringList comments = lines.filter(QRegularExpression(QStringLiteral("^Comment\\[zh_CN\\]=")));
    QCOMPARE(comments.size(), 1);
    QVERIFY(comments.first().contains(u"步步高"));
    QVERIFY(comments.first().contains(QLatin1String(".gam")));
}

QTEST_MAIN(DesktopFileTest)
#include "tst_desktopfile.moc"
