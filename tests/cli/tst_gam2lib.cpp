#include "GameFiles.h"
#include "GenerateLib.h"
#include "Scene.h"
#include "Shell.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// What a script sees of gam2lib: its exit code, the whole of its two streams,
// and the folder it ran in. Every scene holds game.gam (1234 bytes of data),
// 仙剑.gam, short.gam (only a header), old.lib and an unrelated "�.lib". Where
// only Linux can set the scene (names as raw bytes, links, other users, mounts,
// limits, closed streams, disks that fail), a shell sets it, may run gam2lib as
// "$@", and checks and tidies afterwards what the folder cannot show.
class TestGam2lib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void reports_data();
    void reports();

private:
    QString m_program;
    // What another user runs or loads, where that user can read it: not under a private home such as root's.
    QTemporaryDir m_tools;
};

void TestGam2lib::initTestCase()
{
    m_program = QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../bin/gam2lib"_s);
#ifdef Q_OS_LINUX
    QVERIFY(QFile::setPermissions(m_tools.path(), QFile::permissions(m_tools.path()) | QFile::ExeOther));
    QVERIFY(QFile::copy(m_program, m_tools.filePath(u"gam2lib"_s)));
    QVERIFY(QFile::copy(QStringLiteral(FAILING_SYNC_PATH), m_tools.filePath(u"failing-sync.so"_s)));
    m_program = m_tools.filePath(u"gam2lib"_s);
    qputenv("SYNC", QFile::encodeName(m_tools.filePath(u"failing-sync.so"_s)));
    qputenv("G", QFile::encodeName(m_program));
#endif
}

void TestGam2lib::reports_data()
{
    QTest::addColumn<QString>("arrange"); // Linux: a script that sets the scene
    // Linux: how the shell runs gam2lib ("$@"); Windows: without standard output; else gam2lib runs as it is
    QTest::addColumn<QString>("run");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("made"); // the last argument then holds the library; else nothing changed
    QTest::addColumn<QString>("verify"); // Linux: a script run afterwards, whatever happened

    // Also what a usage error prints after its reason.
    const ShellRun help = RunProgram(QDir::tempPath(), m_program, { u"--help"_s });
    QVERIFY2(help.exitCode == 0
            && help.out.startsWith(
                u"Usage: %1 [options] SOURCE DESTINATION\n"_s.arg(QDir::toNativeSeparators(m_program))),
        qPrintable(help.out));

    const auto row = [](const char *name, const QStringList &arguments, int exitCode, const QString &out,
                         const QString &err, bool made, const QString &run = {}, const QString &arrange = {},
                         const QString &verify = {}) {
        QTest::newRow(name) << arrange << run << arguments << exitCode << out << err << made << verify;
    };
    const QString none;
    const QString done = u"Lib文件生成成功！！\n"_s;
    const QStringList generate = { u"game.gam"_s, u"x.lib"_s };

    row("generated", generate, 0, done, none, true);
    row("Chinese names", { u"仙剑.gam"_s, u"仙剑.lib"_s }, 0, done, none, true);
    // Only what does not survive the round trip is refused; U+FFFD itself is a character like any other.
    row("name holding U+FFFD", { u"game.gam"_s, u"x\uFFFD.lib"_s }, 0, done, none, true);
    // After "--", even what Qt would take as its own option is a name.
    row("name like a Qt option", { u"--"_s, u"game.gam"_s, u"-qmljsdebugger=port:1"_s }, 0, done, none, true);
    row("version", { u"--version"_s }, 0, QStringLiteral("gam2lib " TESSALY_VERSION "\n"), none, false);
    row("too short", { u"short.gam"_s, u"x.lib"_s }, 1, none, u"请重新打开正确的文件\n"_s, false);
    row("same file", { u"game.gam"_s, u"./game.gam"_s }, 1, none, u"目标文件不能与原文件相同\n"_s, false);
    row("missing source", { u"missing.gam"_s, u"x.lib"_s }, 2, none,
        u"gam2lib: 无法打开原文件：missing.gam\n原因：文件或文件夹不存在\n"_s, false);
    row("empty destination", { u"game.gam"_s, QString() }, 64, none,
        u"gam2lib: 目标文件路径为空\n"_s + help.out, false);
    row("one name", { u"game.gam"_s }, 64, none, u"gam2lib: 需要两个参数：原文件和目标文件\n"_s + help.out,
        false);
    const QString closed = u"gam2lib: 无法写入标准输出：它在程序启动时已被关闭\n"_s;
#ifdef Q_OS_WIN
    row("no standard output", generate, 2, none, closed, true, u"started without"_s);
#else
    // Escape sequences in a downloaded game's name reach the terminal quoted, as ls shows them.
    row("control characters in a name", { u"a\x1b[31m.gam"_s, u"x.lib"_s }, 2, none,
        u"gam2lib: 无法打开原文件：'a'$'\\033''[31m.gam'\n原因：文件或文件夹不存在\n"_s, false);
    // Taken as U+FFFD, the name would be that of the unrelated file.
    row("undecodable name", { u"game.gam"_s }, 64, none,
        u"gam2lib: 参数中有无法识别的字符，不能作为文件名：\uFFFD.lib\n"_s + help.out, false,
        u"\"$@\" \"$(printf '\\376').lib\""_s);
    // Were they left closed, the game would take the number of standard error and get the warning.
    row("closed standard streams", { u"game.gam"_s, u"game.gam"_s }, 1, none, none, false,
        u"\"$@\" <&- >&- 2>&-"_s);
    row("closed standard output", generate, 2, none, closed, true, u"\"$@\" >&-"_s);
    const QString full = u"gam2lib: 无法写入标准输出：磁盘空间不足\n"_s;
    row("generated, output lost", generate, 2, none, full, true, u"\"$@\" >/dev/full"_s);
    row("version, output lost", { u"--version"_s }, 2, none, full, false, u"\"$@\" >/dev/full"_s);
    row("reader of the output gone", generate, 2, none, u"gam2lib: 无法写入标准输出：管道的另一端已关闭\n"_s,
        true, u"perl -e 'pipe R, W or die; close R; open STDOUT, \">&W\" or die; exec @ARGV' \"$@\""_s);
    // Removes the folder on another file system that the scene's "shm" leads to.
    const QString away = u"; e=$?; rm -r \"$(readlink shm)\"; exit $e"_s;
    // A size limit makes writing fail part-way, as a full disk would: in the kernel's copy, and from
    // another file system in the program's own.
    const QString tooLarge = u"gam2lib: 无法写入目标文件：old.lib\n原因：文件太大\n"_s;
    row("file size limit", { u"big.gam"_s, u"old.lib"_s }, 2, none, tooLarge, false,
        u"prlimit --fsize=1000000 \"$@\""_s, u"head -c 3000000 /dev/urandom >big.gam"_s);
    row("file size limit, game on another file system", { u"shm/big.gam"_s, u"old.lib"_s }, 2, none, tooLarge,
        false, u"prlimit --fsize=1000000 \"$@\""_s,
        u"[ -w /dev/shm ] || need /dev/shm; d=$(mktemp -d /dev/shm/tessaly-XXXXXX) && "
        "head -c 3000000 /dev/urandom >$d/big.gam && ln -s $d shm"_s,
        u"true"_s + away);
    // Root would be let through.
    const QString nobody = u"[ $(id -u) = 0 ] || need root; chmod 755 . && "_s;
    const QString asNobody = u"setpriv --reuid=65534 --regid=65534 --clear-groups \"$@\""_s;
    row("unreadable source", generate, 2, none, u"gam2lib: 无法打开原文件：game.gam\n原因：没有访问权限\n"_s,
        false, asNobody, nobody + u"chmod 600 game.gam && chmod 777 ."_s);
    row("folder without write permission", generate, 2, none,
        u"gam2lib: 无法打开目标文件：x.lib\n原因：没有访问权限\n"_s, false, asNobody, nobody + u"true"_s);
    // Known before anything is copied: the rename would be refused.
    row("another's file in a sticky folder", { u"game.gam"_s, u"shared/x.lib"_s }, 2, none,
        u"gam2lib: 无法替换目标文件：shared/x.lib\n原因：不允许这样操作\n"_s, false, asNobody,
        nobody + u"mkdir -m 1777 shared && echo old >shared/x.lib && chmod 666 shared/x.lib"_s);
    // The folder's attribute is read without permission to read the folder; a temporary name there could
    // never go again.
    const QString appendOnly = nobody
        + u"mkdir -m 333 box && echo old >box/old.lib && chmod 666 box/old.lib "
          "&& { chattr +a box || need chattr; }"_s;
    row("append-only folder, replacement", { u"game.gam"_s, u"box/old.lib"_s }, 2, none,
        u"gam2lib: 无法替换目标文件：box/old.lib\n原因：不允许这样操作\n"_s, false, asNobody, appendOnly,
        u"chattr -a box"_s);
    row("append-only folder, new library", { u"game.gam"_s, u"box/x.lib"_s }, 0, done, none, true, asNobody,
        appendOnly, u"chattr -a box"_s);
    // The new library is in place, but the disk could not confirm it.
    const QString unconfirmed = u"gam2lib: 目标文件已生成，但无法确认它已写入磁盘："_s;
    row("folder not synced", generate, 3, none, unconfirmed + u"x.lib\n原因：输入输出错误\n"_s, true,
        u"failing_sync \"$@\""_s);
    // A folder that may only be searched is confirmed through its whole file system.
    row("search-only folder, file system not synced", { u"game.gam"_s, u"box/x.lib"_s }, 3, none,
        unconfirmed + u"box/x.lib\n原因：输入输出错误\n"_s, true, u"failing_sync "_s + asNobody,
        nobody + u"mkdir -m 333 box"_s);
    // Without /proc the new library is written under a temporary name, which goes again. Sanitizers read
    // their options from /proc.
    row("no /proc", { u"game.gam"_s, u"old.lib"_s }, 0, done, none, true,
        u"unshare -m sh -c 'umount -l /proc && exec \"$@\"' sh \"$@\""_s,
        u"[ $(id -u) = 0 ] || need root; ldd \"$G\" | grep -q libasan && need sanitizers that run without "
        "/proc; unshare -m true 2>/dev/null || need 'a mount namespace of its own (unshare -m)'"_s);
    // The file the system itself would write to, its links followed from where each really lies.
    row("symlinked folder, then a relative link", { u"game.gam"_s, u"L/x.lib"_s }, 0, done, none, true, none,
        u"mkdir -p real/inner && ln -s real/inner L && ln -s ../old.lib real/inner/x.lib && echo old >real/old.lib"_s,
        u"test -L real/inner/x.lib"_s);
    row("link to another file system, then ..", { u"game.gam"_s, u"T/../x.lib"_s }, 0, done, none, true, none,
        u"d=$(mktemp -d /dev/shm/tessaly-XXXXXX) || need /dev/shm; mkdir $d/sub && ln -s $d/sub T && ln -s $d shm"_s,
        u"! ls -A shm/ | grep tessaly"_s + away);
    const QString longName = QString(83, QChar(0x6e38)) + u".lib"_s;
    row("name of 255 bytes", { u"game.gam"_s, longName }, 0, done, none, true, none,
        u"echo old >"_s + longName);
    // What the old file had, where the caller may give it.
    row("owner, group and set-gid mode kept", { u"game.gam"_s, u"old.lib"_s }, 0, done, none, true, none,
        u"[ $(id -u) = 0 ] || need root; chown 1000:1000 old.lib && chmod 2640 old.lib"_s,
        u"[ \"$(stat -c %u:%g:%a old.lib)\" = 1000:1000:2640 ]"_s);
    row("extended attributes and ACL kept", { u"game.gam"_s, u"old.lib"_s }, 0, done, none, true, none,
        u"setfattr -n user.tessaly -v kept old.lib && setfacl -m u:1000:r old.lib || need user attributes and ACLs"_s,
        u"[ \"$(getfattr --only-values -n user.tessaly old.lib)\" = kept ] && getfacl -cn old.lib | grep -qx user:1000:r--"_s);
    // Each file of an overlay on two file systems reports another device than its folder.
    row("overlay on two file systems", { u"game.gam"_s, u"m/old.lib"_s }, 0, done, none, true, none,
        u"d=$(mktemp -d /dev/shm/tessaly-XXXXXX) || need /dev/shm; ln -s $d shm; mkdir $d/lower upper work m "
        u"&& "
        "echo old >$d/lower/old.lib && mount -t overlay overlay -o "
        "lowerdir=$d/lower,upperdir=upper,workdir=work m "
        "|| need an overlay mount"_s,
        u"umount m"_s + away);
    const QString refused = u"gam2lib: 无法替换目标文件：%1\n原因：%2\n"_s;
    const QString unopened = u"gam2lib: 无法打开目标文件：%1\n原因：%2\n"_s;
    row("symbolic link loop", { u"game.gam"_s, u"loop.lib"_s }, 2, none,
        unopened.arg(u"loop.lib"_s, u"符号链接层数过多"_s), false, none, u"ln -s loop.lib loop.lib"_s);
    row("FIFO", { u"game.gam"_s, u"fifo.lib"_s }, 2, none, refused.arg(u"fifo.lib"_s, u"不是普通文件"_s),
        false, none, u"mkfifo fifo.lib"_s);
    row("device node", { u"game.gam"_s, u"null.lib"_s }, 2, none,
        refused.arg(u"null.lib"_s, u"不是普通文件"_s), false, none, u"mknod null.lib c 1 3 || need root"_s);
    row("append-only file", { u"game.gam"_s, u"old.lib"_s }, 2, none,
        unopened.arg(u"old.lib"_s, u"不允许这样操作"_s), false, none, u"chattr +a old.lib || need chattr"_s,
        u"chattr -a old.lib"_s);
    row("read-only file system", { u"game.gam"_s, u"ro/x.lib"_s }, 2, none,
        unopened.arg(u"ro/x.lib"_s, u"文件系统是只读的"_s), false, none,
        u"mkdir ro && mount -t tmpfs -o ro tmpfs ro || need mount"_s, u"umount ro"_s);
    // Known before the copy: renaming over a mount point is refused.
    row("mount point", { u"game.gam"_s, u"old.lib"_s }, 2, none,
        refused.arg(u"old.lib"_s, u"文件或设备正忙"_s), false, none,
        u"touch other && mount --bind other old.lib || need mount"_s,
        u"umount old.lib && [ \"$(cat old.lib)\" = old ]"_s);
    // Root too must not follow another user's link in a sticky world-writable folder.
    row("protected symbolic link", { u"game.gam"_s, u"shared/x.lib"_s }, 2, none,
        unopened.arg(u"shared/x.lib"_s, u"没有访问权限"_s), false, none,
        u"[ \"$(cat /proc/sys/fs/protected_symlinks)\" = 1 ] || need fs.protected_symlinks=1; mkdir -m 1777 "
        u"shared "
        "&& echo old >victim && ln -s \"$PWD/victim\" shared/x.lib && chown -h 65534 shared/x.lib"_s);
#endif
}

void TestGam2lib::reports()
{
    QFETCH(QString, arrange);
    QFETCH(QString, run);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, made);
    QFETCH(QString, verify);
    Scene scene;
    if (!scene.setUp(Setup()
                         .game(u"game.gam"_s, 1234)
                         .game(u"仙剑.gam"_s, 10)
                         .game(u"short.gam"_s, 0)
                         .file(u"old.lib"_s, "old")
                         .file(u"\uFFFD.lib"_s, "unrelated")))
        return;
    if (!arrange.isEmpty()) {
        ARRANGE_IN_SHELL(scene.folder(), arrange);
    }
    auto before = scene.snapshot();

    // Sanitizers would object to a library loaded before theirs.
    const QString failingSync
        = u"failing_sync() { ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 "
          "LD_PRELOAD=\"$SYNC\" \"$@\" 9>\"$SYNC.announced\"; }; "_s;
#ifdef Q_OS_WIN
    const ShellRun result = RunProgram(scene.folder(), m_program, arguments, !run.isEmpty());
#else
    const ShellRun result = run.isEmpty()
        ? RunProgram(scene.folder(), m_program, arguments)
        : RunShell(scene.folder(), failingSync + run, QStringList { m_program } + arguments);
#endif

    // Looked at before the verifying script tidies up, which it does whatever the result.
    const bool madeRight = !made
        || IsTail(
            scene.path(arguments.last()), scene.path(arguments.at(arguments.size() - 2)), LibDataOffset);
    auto after = scene.snapshot();
    const QStringList left = Leftovers(scene.folder());
    const ShellRun verified = verify.isEmpty() ? ShellRun { 0, {}, {} } : RunShell(scene.folder(), verify);

    // The failing-sync library names the program it is loaded into.
    if (run.contains(u"failing_sync"_s))
        QVERIFY2(ReadFile(m_tools.filePath(u"failing-sync.so.announced"_s)).split('\n').contains("gam2lib"),
            "the failing-sync library is not in force");
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.out, out);
    QCOMPARE(result.err, err);
    QVERIFY2(madeRight, "the library is not the game's tail");
    if (made) {
        after.remove(arguments.last());
        before.remove(arguments.last());
    }
    QCOMPARE(after, before);
    QCOMPARE(left, QStringList());
    QVERIFY2(verified.exitCode == 0, qPrintable(verified.err));
}

QTEST_GUILESS_MAIN(TestGam2lib)
#include "tst_gam2lib.moc"
