#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

private:
    QTemporaryDir m_output;
};

void IconBuildTest::initTestCase()
{
    QVERIFY(m_output.isValid());
    QProcess builder;
    builder.start(QStringLiteral(TESSALY_ICONBUILDER),
        { QStringLiteral(TESSALY_RESOURCES_DIR "/icon"), m_output.path() });
    QVERIFY(builder.waitForFinished(60000));
    QVERIFY2(builder.exitStatus() == QProcess::NormalExit && builder.exitCode() == 0,
        builder.readAllStandardError().constData());
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
    QVERIFY(!built.isEmpty());
    QVERIFY2(built == readAll(QStringLiteral(TESSALY_RESOURCES_DIR "/") + name),
        qPrintable(QStringLiteral("%1 differs from a fresh build; run the tessaly-icon target").arg(name)));
}

QTEST_MAIN(IconBuildTest)
#include "tst_iconbuild.moc"
