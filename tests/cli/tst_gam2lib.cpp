#include "GameFiles.h"
#include "Scene.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// What a script sees of gam2lib: exit codes and the two streams. Every scene
// holds game.gam with 1234 bytes of data, short.gam (only a header) and old.lib.
class TestGam2lib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsThroughExitCodeAndStreams_data();
    void reportsThroughExitCodeAndStreams();
};

void TestGam2lib::reportsThroughExitCodeAndStreams_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString none;
    const QString made = u"Lib文件生成成功！！\n"_s;
    QTest::newRow("generated") << Setup {} << QStringList { u"game.gam"_s, u"x.lib"_s } << 0 << made << none;
    QTest::newRow("Chinese names") << Setup { Game(u"仙剑.gam"_s, 10) }
                                   << QStringList { u"仙剑.gam"_s, u"仙剑.lib"_s } << 0 << made << none;
    // Only what does not survive the round trip is refused; U+FFFD itself is a character like any other.
    QTest::newRow("name holding U+FFFD")
        << Setup {} << QStringList { u"game.gam"_s, u"x\uFFFD.lib"_s } << 0 << made << none;
    // After "--", even what Qt would take as its own option is a name.
    QTest::newRow("name like a Qt option")
        << Setup {} << QStringList { u"--"_s, u"game.gam"_s, u"-qmljsdebugger=port:1"_s } << 0 << made
        << none;
    QTest::newRow("help") << Setup {} << QStringList { u"--help"_s } << 0 << u"DESTINATION"_s << none;
    QTest::newRow("version") << Setup {} << QStringList { u"--version"_s } << 0
                             << QStringLiteral("gam2lib " TESSALY_VERSION "\n") << none;
    QTest::newRow("too short") << Setup {} << QStringList { u"short.gam"_s, u"x.lib"_s } << 1 << none
                               << u"请重新打开正确的文件\n"_s;
    QTest::newRow("same file") << Setup {} << QStringList { u"game.gam"_s, u"./game.gam"_s } << 1 << none
                               << u"目标文件不能与原文件相同\n"_s;
    QTest::newRow("missing source") << Setup {} << QStringList { u"missing.gam"_s, u"x.lib"_s } << 2 << none
                                    << u"gam2lib: 无法打开原文件：missing.gam\n原因：文件或文件夹不存在\n"_s;
    // Escape sequences in a downloaded game's name reach the terminal quoted, as ls shows them.
    QTest::newRow("control characters in a name")
        << Setup {} << QStringList { u"a\x1b[31m.gam"_s, u"x.lib"_s } << 2 << none
        << u"gam2lib: 无法打开原文件：'a'$'\\033''[31m.gam'\n"_s;
    QTest::newRow("empty destination")
        << Setup {} << QStringList { u"game.gam"_s, QString() } << 64 << none << u"目标文件路径为空"_s;
    QTest::newRow("one name") << Setup {} << QStringList { u"game.gam"_s } << 64 << none
                              << u"需要两个参数：原文件和目标文件"_s;
}

void TestGam2lib::reportsThroughExitCodeAndStreams()
{
    QFETCH(Setup, setup);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    Scene scene;
    QCOMPARE(
        scene.make(
            Setup { Game(u"game.gam"_s, 1234), Game(u"short.gam"_s, 0), File(u"old.lib"_s, "old") } + setup),
        QString());
    const auto before = scene.snapshot();

    QProcess gam2lib;
    gam2lib.setWorkingDirectory(scene.folder());
    gam2lib.start(QDir(QCoreApplication::applicationDirPath()).filePath(u"../bin/gam2lib"_s), arguments);
    QVERIFY(gam2lib.waitForFinished(60000));
    // Windows ends lines with CR LF in text written to a file or a pipe.
    const QString printed = QString::fromUtf8(gam2lib.readAllStandardOutput()).replace(u"\r\n"_s, u"\n"_s);
    const QString complained = QString::fromUtf8(gam2lib.readAllStandardError()).replace(u"\r\n"_s, u"\n"_s);

    QCOMPARE(gam2lib.exitStatus(), QProcess::NormalExit);
    QCOMPARE(gam2lib.exitCode(), exitCode);
    QVERIFY2(out.isEmpty() ? printed.isEmpty() : printed.contains(out), qPrintable(printed));
    QVERIFY2(err.isEmpty() ? complained.isEmpty() : complained.contains(err), qPrintable(complained));
    if (exitCode != 0)
        QCOMPARE(scene.snapshot(), before);
    else if (arguments.size() >= 2)
        QVERIFY(IsTail(scene.path(arguments.last()), scene.path(arguments.at(arguments.size() - 2)), 294912));
}

QTEST_GUILESS_MAIN(TestGam2lib)
#include "tst_gam2lib.moc"
