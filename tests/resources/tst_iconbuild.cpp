#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIODevice>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString builder = QStringLiteral(TESSALY_ICONBUILDER);
const QString resourcesDir = QStringLiteral(TESSALY_RESOURCES_DIR);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int runBuilder(const QStringList &arguments, QString *errors)
{
    QProcess process;
    process.start(builder, arguments);
    if (!process.waitForFinished(60000))
        return -1;
    *errors = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

// The committed icon files must be exactly what the builder makes from the drawings,
// so nobody edits the .ico or the PNGs by hand and forgets the sources.
class IconBuildTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void reproducesCommittedFile_data();
    void reproducesCommittedFile();
    void writesOnlyTheIconFiles();
    void failsWithoutDrawings();

private:
    QTemporaryDir m_output;
};

void IconBuildTest::initTestCase()
{
    QVERIFY(m_output.isValid());
    QString errors;
    QCOMPARE(
        runBuilder({ QDir(resourcesDir).filePath(QStringLiteral("icon")), m_output.path() }, &errors), 0);
    QVERIFY2(errors.isEmpty(), qPrintable(errors));
}

void IconBuildTest::cleanup()
{
    QVERIFY(QGuiApplication::topLevelWindows().isEmpty());
}

void IconBuildTest::reproducesCommittedFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("ico") << QStringLiteral("tessaly.ico");
    QTest::newRow("png 16") << QStringLiteral("tessaly-16.png");
    QTest::newRow("png 32") << QStringLiteral("tessaly-32.png");
}

void IconBuildTest::reproducesCommittedFile()
{
    QFETCH(QString, name);
    const QByteArray built = readAll(QDir(m_output.path()).filePath(name));
    const QByteArray committed = readAll(QDir(resourcesDir).filePath(name));
    QVERIFY(!built.isEmpty());
    QVERIFY2(built == committed,
        qPrintable(QStringLiteral("%1 differs from a fresh build; run the tessaly-icon target").arg(name)));
}

void IconBuildTest::writesOnlyTheIconFiles()
{
    const QStringList written = QDir(m_output.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QCOMPARE(written,
        (QStringList { QStringLiteral("tessaly-16.png"), QStringLiteral("tessaly-32.png"),
            QStringLiteral("tessaly.ico") }));
}

void IconBuildTest::failsWithoutDrawings()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    QString errors;
    QVERIFY(runBuilder({ empty.path(), empty.path() }, &errors) != 0);
    QVERIFY(errors.contains(QStringLiteral("tessaly-16.xpm")));
    QVERIFY(QDir(empty.path()).isEmpty());
}

QTEST_MAIN(IconBuildTest)
#include "tst_iconbuild.moc"
