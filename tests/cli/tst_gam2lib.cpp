#include "GameFiles.h"
#include "Shell.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// What a script sees of gam2lib ($G): exit codes, the two streams, and its
// paths taken byte for byte.
class TestGam2lib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsThroughExitCodeAndStreams_data();
    void reportsThroughExitCodeAndStreams();
};

void TestGam2lib::reportsThroughExitCodeAndStreams_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString none;
    const QString lost = u"gam2lib: 无法写入标准输出：No space left on device\n"_s;
    // Root would be let through; a copy in the test's folder can be run whereever the checkout lies.
    const QString asNobody = u"[ $(id -u) = 0 ] || need root; cp \"$G\" g && chmod 755 . && "_s;
    const QString nobody = u"setpriv --reuid=65534 --regid=65534 --clear-groups ./g game.gam "_s;

    QTest::newRow("empty destination") << u"\"$G\" game.gam ''"_s << 64 << none << u"目标文件路径为空"_s;
    // Taken as U+FFFD, the name would be that of the unrelated file.
    QTest::newRow("undecodable name")
        << u"\"$G\" game.gam \"$(printf '\\376').lib\""_s << 64 << none << u"参数中有无法识别的字符"_s;
    QTest::newRow("help") << u"\"$G\" --help"_s << 0 << u"DESTINATION"_s << none;
    QTest::newRow("version") << u"\"$G\" --version"_s << 0 << QStringLiteral("gam2lib " TESSALY_VERSION "\n")
                             << none;
    QTest::newRow("generated") << u"\"$G\" game.gam x.lib && cmp -s x.lib \"$LIB\""_s << 0
                               << u"Lib文件生成成功！！\n"_s << none;
    // After "--", even what Qt would take as its own option is a name.
    QTest::newRow("name like a Qt option")
        << u"\"$G\" -- game.gam -qmljsdebugger=port:1"_s << 0 << u"Lib文件生成成功！！\n"_s << none;
    QTest::newRow("too short") << u"\"$G\" short.gam x.lib"_s << 1 << none << u"请重新打开正确的文件\n"_s;
    QTest::newRow("missing source") << u"\"$G\" missing.gam x.lib"_s << 2 << none
                                    << u"gam2lib: 无法打开原文件：missing.gam\n原因：No such file"_s;
    QTest::newRow("generated, output lost") << u"\"$G\" game.gam x.lib >/dev/full"_s << 2 << none << lost;
    QTest::newRow("version, output lost") << u"\"$G\" --version >/dev/full"_s << 2 << none << lost;
    QTest::newRow("unreadable source") << asNobody + u"chmod 600 game.gam && chmod 777 . && "_s + nobody
            + u"x.lib"_s << 2 << none << u"无法打开原文件：game.gam\n原因：Permission denied"_s;
    QTest::newRow("folder without write permission") << asNobody + nobody + u"x.lib"_s << 2 << none
                                                     << u"无法打开目标文件：x.lib\n原因：Permission denied"_s;
    // Known before anything is copied: the rename would be refused.
    QTest::newRow("another's file in a sticky folder")
        << asNobody + u"mkdir -m 1777 shared && echo old >shared/x.lib && chmod 666 shared/x.lib && "_s
            + nobody + u"shared/x.lib; e=$?; [ \"$(cat shared/x.lib)\" = old ] && exit $e"_s
        << 2 << none << u"无法替换目标文件：shared/x.lib\n原因：Operation not permitted"_s;
}

void TestGam2lib::reportsThroughExitCodeAndStreams()
{
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray game = RandomBytes(294912 + 1234);
    QVERIFY(WriteFile(dir.filePath(u"game.gam"_s), game));
    QVERIFY(WriteFile(dir.filePath(u"short.gam"_s), QByteArray(294912, 'g')));
    QVERIFY(WriteFile(dir.filePath(u"\uFFFD.lib"_s), "unrelated"));
    QVERIFY(WriteFile(dir.filePath(u".expected"_s), game.mid(294912)));
    const auto before = Snapshot(dir.path());

    const ShellRun run = RunShell(dir.path(), command,
        { u"G="_s + QStringLiteral(GAM2LIB_PATH), u"LIB="_s + dir.filePath(u".expected"_s) });

    if (run.exitCode == NeedsExitCode)
        QSKIP(qPrintable(run.out.trimmed()));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.contains(out), qPrintable(run.out));
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), qPrintable(run.err));
    // Nothing is written on a refusal; only a lost report comes after the library is made.
    auto after = Snapshot(dir.path());
    after.remove(u"g"_s);
    after.remove(u"shared"_s);
    if (exitCode != 0 && !err.contains(u"标准输出"_s))
        QCOMPARE(after, before);
    QCOMPARE(after.value(u"\uFFFD.lib"_s), QByteArray("unrelated"));
}

QTEST_GUILESS_MAIN(TestGam2lib)
#include "tst_gam2lib.moc"
