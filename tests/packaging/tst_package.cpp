#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Result
{
    bool ok = false;
    QString output;
};

Result RunTool(const QString &program, const QStringList &arguments, const QString &folder = QString())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Result result;
    if (!process.waitForFinished(300000))
        return result;
    result.output = QString::fromUtf8(process.readAll());
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return result;
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void desktopFilesAreValid_data();
    void desktopFilesAreValid();
    void debianPackageHoldsTheProgram_data();
    void debianPackageHoldsTheProgram();
    void debianPackageNamesItsLibraries();

private:
    QTemporaryDir m_output;
    QString m_package;
};

void TestPackage::desktopFilesAreValid_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("menu entry") << "desktop-file-validate"
                                << QStringList { QStringLiteral(TESSALY_DESKTOP_FILE) };
    QTest::newRow("metainfo") << "appstreamcli"
                              << QStringList { QStringLiteral("validate"), QStringLiteral("--no-net"),
                                     QStringLiteral(TESSALY_METAINFO) };
}

void TestPackage::desktopFilesAreValid()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    if (QStandardPaths::findExecutable(tool).isEmpty())
        QSKIP("the validator is not installed");
    const Result result = RunTool(tool, arguments);
    QVERIFY2(result.ok, qPrintable(result.output));
    QVERIFY2(
        !result.output.contains(QLatin1String("warning"), Qt::CaseInsensitive), qPrintable(result.output));
}

void TestPackage::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
        return;
    QVERIFY(m_output.isValid());
    const Result made = RunTool(QStringLiteral(TESSALY_CPACK),
        { QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), m_output.path() },
        QStringLiteral(TESSALY_BUILD_DIR));
    QVERIFY2(made.ok, qPrintable(made.output));
    const QStringList packages = QDir(m_output.path()).entryList({ QStringLiteral("tessaly_*.deb") });
    QCOMPARE(packages.size(), 1);
    m_package = m_output.filePath(packages.first());
}

void TestPackage::debianPackageHoldsTheProgram_data()
{
    QTest::addColumn<QString>("file");

    QTest::newRow("program") << "./usr/bin/tessaly";
    QTest::newRow("command-line tool") << "./usr/bin/gam2lib";
    QTest::newRow("menu entry") << "./usr/share/applications/tessaly.desktop";
    QTest::newRow("metainfo") << "./usr/share/metainfo/com.example.Tessaly.metainfo.xml";
    QTest::newRow("small icon") << "./usr/share/icons/hicolor/16x16/apps/tessaly.png";
    QTest::newRow("icon") << "./usr/share/icons/hicolor/32x32/apps/tessaly.png";
}

void TestPackage::debianPackageHoldsTheProgram()
{
    if (m_package.isEmpty())
        QSKIP("dpkg-deb is not installed");
    QFETCH(QString, file);
    const Result listing = RunTool(QStringLiteral("dpkg-deb"), { QStringLiteral("--contents"), m_package });
    QVERIFY2(listing.ok, qPrintable(listing.output));
    QVERIFY2(
        listing.output.contains(QLatin1Char(' ') + file + QLatin1Char('\n')), qPrintable(listing.output));
}

void TestPackage::debianPackageNamesItsLibraries()
{
    if (m_package.isEmpty())
        QSKIP("dpkg-deb is not installed");
    const Result depends = RunTool(
        QStringLiteral("dpkg-deb"), { QStringLiteral("--field"), m_package, QStringLiteral("Depends") });
    QVERIFY2(depends.ok, qPrintable(depends.output));
    QVERIFY2(depends.output.contains(QLatin1String("libqt6widgets6")), qPrintable(depends.output));
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
