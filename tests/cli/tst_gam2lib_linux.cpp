#include "GameFiles.h"
#include "Shell.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// What a script sees of gam2lib ($G) where only Linux can set the scene: names
// as raw bytes, other users, limits, closed streams, and disks that fail.
class TestGam2libLinux : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsThroughExitCodeAndStreams_data();
    void reportsThroughExitCodeAndStreams();
};

void TestGam2libLinux::reportsThroughExitCodeAndStreams_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString none;
    const QString made = u"Lib文件生成成功！！\n"_s;
    const QString lost = u"gam2lib: 无法写入标准输出：磁盘空间不足\n"_s;
    // Root would be let through; a copy in the test's folder can be run whereever the checkout lies.
    const QString asNobody = u"[ $(id -u) = 0 ] || need root; cp \"$G\" g && chmod 755 . && "_s;
    const QString nobody = u"setpriv --reuid=65534 --regid=65534 --clear-groups ./g game.gam "_s;
    const QString unconfirmed = u"gam2lib: 目标文件已生成，但无法确认它已写入磁盘："_s;

    // Taken as U+FFFD, the name would be that of the unrelated file.
    QTest::newRow("undecodable name")
        << u"\"$G\" game.gam \"$(printf '\\376').lib\""_s << 64 << none << u"参数中有无法识别的字符"_s;
    // Were the descriptors left closed, the game would take the number of standard error and get the warning.
    QTest::newRow("closed standard streams")
        << u"\"$G\" game.gam game.gam <&- >&- 2>&-"_s << 1 << none << none;
    QTest::newRow("generated, output lost") << u"\"$G\" game.gam x.lib >/dev/full"_s << 2 << none << lost;
    QTest::newRow("version, output lost") << u"\"$G\" --version >/dev/full"_s << 2 << none << lost;
    QTest::newRow("reader of the output gone")
        << u"perl -e 'pipe R, W or die; close R; open STDOUT, \">&W\" or die; exec @ARGV' \"$G\" game.gam x.lib"_s
        << 2 << none << u"gam2lib: 无法写入标准输出："_s;
    // A size limit makes writing fail part-way, as a full disk would: in the kernel's copy, and from
    // another file system in the program's own.
    for (const QString &big : { u"big.gam"_s, u"/dev/shm/tessaly-$$.gam"_s }) {
        QTest::addRow("file size limit, %s", qPrintable(big))
            << u"[ -w /dev/shm ] || need /dev/shm; head -c 3000000 /dev/urandom >%1; "
               "prlimit --fsize=1000000 \"$G\" %1 old.lib; e=$?; rm %1; exit $e"_s.arg(big)
            << 2 << none << u"gam2lib: 无法写入目标文件：old.lib\n原因：文件太大\n"_s;
    }
    QTest::newRow("unreadable source") << asNobody + u"chmod 600 game.gam && chmod 777 . && "_s + nobody
            + u"x.lib"_s << 2 << none << u"无法打开原文件：game.gam\n原因：没有访问权限"_s;
    QTest::newRow("folder without write permission")
        << asNobody + nobody + u"x.lib"_s << 2 << none << u"无法打开目标文件：x.lib\n原因：没有访问权限"_s;
    // Known before anything is copied: the rename would be refused.
    QTest::newRow("another's file in a sticky folder")
        << asNobody + u"mkdir -m 1777 shared && echo old >shared/x.lib && chmod 666 shared/x.lib && "_s
            + nobody + u"shared/x.lib; e=$?; [ \"$(cat shared/x.lib)\" = old ] && exit $e"_s
        << 2 << none << u"无法替换目标文件：shared/x.lib\n原因：不允许这样操作"_s;
    // The new library is in place, but the disk could not confirm it.
    QTest::newRow("folder not synced")
        << u"failing_sync \"$G\" game.gam x.lib; e=$?; cmp -s x.lib \"$LIB\" && exit $e"_s << 3 << none
        << unconfirmed + u"x.lib\n原因：输入输出错误\n"_s;
    // A folder that may only be searched is confirmed through its whole file system.
    QTest::newRow("search-only folder, file system not synced")
        << asNobody + u"mkdir -m 333 box && failing_sync "_s + nobody
            + u"box/x.lib; e=$?; cmp -s box/x.lib \"$LIB\" && exit $e"_s
        << 3 << none << unconfirmed + u"box/x.lib\n原因：输入输出错误\n"_s;
    // Without /proc the new library is written under a temporary name, which goes again. Sanitizers read
    // their options from /proc.
    const QString withoutProc = u"[ $(id -u) = 0 ] || need root; "
                                "ldd \"$G\" | grep -q libasan && need sanitizers that run without /proc; "
                                "unshare -m sh -c 'umount -l /proc && exec \"$G\" game.gam old.lib'"_s;
    QTest::newRow("no /proc") << withoutProc + u" && cmp -s old.lib \"$LIB\" && ! ls -A | grep tessaly"_s << 0
                              << made << none;
}

void TestGam2libLinux::reportsThroughExitCodeAndStreams()
{
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray game = RandomBytes(294912 + 1234);
    QVERIFY(WriteFile(dir.filePath(u"game.gam"_s), game));
    QVERIFY(WriteFile(dir.filePath(u"\uFFFD.lib"_s), "unrelated"));
    QVERIFY(WriteFile(dir.filePath(u".expected"_s), game.mid(294912)));
    QVERIFY(WriteFile(dir.filePath(u"old.lib"_s), "old"));
    const auto before = Snapshot(dir.path());

    // Sanitizers would object to a library loaded before theirs.
    const QString failingSync = u"failing_sync() { ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}"
                                "verify_asan_link_order=0 LD_PRELOAD=\"$SYNC\" \"$@\"; }; "_s;
    const ShellRun run = RunShell(dir.path(), failingSync + command,
        { u"G="_s + QStringLiteral(GAM2LIB_PATH), u"LIB="_s + dir.filePath(u".expected"_s),
            u"SYNC="_s + QStringLiteral(FAILING_SYNC_PATH) });

    if (run.exitCode == NeedsExitCode)
        QSKIP(qPrintable(run.out.trimmed()));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.contains(out), qPrintable(run.out));
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), qPrintable(run.err));
    // Nothing is written on a refusal; only a lost report or an unconfirmed sync comes after the library is
    // made.
    auto after = Snapshot(dir.path());
    after.remove(u"g"_s);
    after.remove(u"shared"_s);
    if (exitCode != 0 && exitCode != 3 && !err.contains(u"标准输出"_s))
        QCOMPARE(after, before);
    QCOMPARE(after.value(u"\uFFFD.lib"_s), QByteArray("unrelated"));
}

QTEST_GUILESS_MAIN(TestGam2libLinux)
#include "tst_gam2lib_linux.moc"
