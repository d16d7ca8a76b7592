#include "GameFiles.h"
#include "GenerateLib.h"
#include "Scene.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// What a program printed, and its exit code; -1 when it did not end by itself.
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs `program` in `folder`; on Windows perhaps without a standard output, as a parent may start it.
Run RunProgram(const QString &folder, const QString &program, const QStringList &arguments,
    [[maybe_unused]] bool withoutOutput = false)
{
    QProcess process;
    process.setWorkingDirectory(folder);
#ifdef Q_OS_WIN
    if (withoutOutput)
        process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *start) {
            start->flags &= ~CREATE_NO_WINDOW;
            start->startupInfo->hStdOutput = nullptr;
        });
#endif
    // Text mode: Windows' CR LF read as "\n".
    process.start(program, arguments, QIODevice::ReadWrite | QIODevice::Text);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

// Runs `script` with /bin/sh in `folder`, with scenes.sh read first and `arguments` as "$@".
Run RunScenes(const QString &folder, const QString &script, const QStringList &arguments = {})
{
    return RunProgram(
        folder, u"/bin/sh"_s, QStringList { u"-c"_s, u". \"$SCENES\" && "_s + script, u"sh"_s } + arguments);
}

} // namespace

// What a script sees of gam2lib: its exit code, the whole of its two streams,
// and the folder it ran in. Every scene holds game.gam (1234 bytes of data),
// 仙剑.gam, old.lib and an unrelated "�.lib". What only Linux can set up
// (names as raw bytes, links, other users, mounts, limits, closed streams,
// disks that fail) comes from scenes.sh.
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
    qputenv("SCENES", QStringLiteral(TESSALY_SCENES).toUtf8());
#endif
}

void TestGam2lib::reports_data()
{
    // Linux: a function of scenes.sh that runs gam2lib; Windows: gam2lib runs without standard output
    QTest::addColumn<QString>("run");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("setting"); // Linux: what scenes.sh sets up, and verifies afterwards

    // Also what a usage error prints after its reason.
    const Run help = RunProgram(QDir::tempPath(), m_program, { u"--help"_s });
    QVERIFY2(
        help.exitCode == 0 && help.out.contains(u" [options] SOURCE DESTINATION\n"_s), qPrintable(help.out));

    const auto row = [](const char *name, const QStringList &arguments, int exitCode, const QString &out,
                         const QString &err, const QString &run = {}, const QString &setting = {}) {
        QTest::newRow(name) << run << arguments << exitCode << out << err << setting;
    };
    const QString none;
    const QString done = u"Lib文件生成成功！！\n"_s;
    // game.gam, and where its library goes
    const auto to = [](const QString &lib) { return QStringList { u"game.gam"_s, lib }; };
    const QStringList generate = to(u"x.lib"_s);

    row("Chinese names", { u"仙剑.gam"_s, u"仙剑.lib"_s }, 0, done, none);
    // Only what does not survive the round trip is refused; U+FFFD itself is a character like any other.
    row("name holding U+FFFD", to(u"x\uFFFD.lib"_s), 0, done, none);
    // After "--", even what Qt would take as its own option is a name.
    row("name like a Qt option", { u"--"_s, u"game.gam"_s, u"-qmljsdebugger=port:1"_s }, 0, done, none);
    row("version", { u"--version"_s }, 0, QStringLiteral("gam2lib " TESSALY_VERSION "\n"), none);
    row("same file", to(u"./game.gam"_s), 1, none, u"目标文件不能与原文件相同\n"_s);
    row("missing source", { u"missing.gam"_s, u"x.lib"_s }, 2, none,
        u"gam2lib: 无法打开原文件：missing.gam\n原因：文件或文件夹不存在\n"_s);
    row("empty destination", to(QString()), 64, none, u"gam2lib: 目标文件路径为空\n"_s + help.out);
    row("one name", { u"game.gam"_s }, 64, none, u"gam2lib: 需要两个参数：原文件和目标文件\n"_s + help.out);
    const QString closed = u"gam2lib: 无法写入标准输出：它在程序启动时已被关闭\n"_s;
#ifdef Q_OS_WIN
    row("no standard output", generate, 2, none, closed, u"without standard output"_s);
#else
    // Escape sequences in a downloaded game's name reach the terminal quoted, as ls shows them.
    row("control characters in a name", { u"a\x1b[31m.gam"_s, u"x.lib"_s }, 2, none,
        u"gam2lib: 无法打开原文件：'a'$'\\033''[31m.gam'\n原因：文件或文件夹不存在\n"_s);
    // Taken as U+FFFD, the name would be that of the unrelated file.
    row("undecodable name", { u"game.gam"_s }, 64, none,
        u"gam2lib: 参数中有无法识别的字符，不能作为文件名：\uFFFD.lib\n"_s + help.out, u"undecodable_name"_s);
    // Were they left closed, the game would take the number of standard error and get the warning.
    row("closed standard streams", to(u"game.gam"_s), 1, none, none, u"closed_streams"_s);
    row("closed standard output", generate, 2, none, closed, u"closed_output"_s);
    const QString full = u"gam2lib: 无法写入标准输出：磁盘空间不足\n"_s;
    row("generated, output lost", generate, 2, none, full, u"full_output"_s);
    row("version, output lost", { u"--version"_s }, 2, none, full, u"full_output"_s);
    row("reader of the output gone", generate, 2, none, u"gam2lib: 无法写入标准输出：管道的另一端已关闭\n"_s,
        u"output_reader_gone"_s);
    // A size limit makes writing fail part-way, as a full disk would: in the kernel's copy, and from
    // another file system in the program's own.
    const QString tooLarge = u"gam2lib: 无法写入目标文件：old.lib\n原因：文件太大\n"_s;
    row("file size limit", { u"big.gam"_s, u"old.lib"_s }, 2, none, tooLarge, u"size_limited"_s,
        u"big_game"_s);
    row("file size limit, game on another file system", { u"shm/big.gam"_s, u"old.lib"_s }, 2, none, tooLarge,
        u"size_limited"_s, u"big_game_away"_s);
    // Another user, where root would be let through.
    const QString asNobody = u"as_nobody"_s;
    const QString unopened = u"gam2lib: 无法打开目标文件：%1\n原因：%2\n"_s;
    const QString refused = u"gam2lib: 无法替换目标文件：%1\n原因：%2\n"_s;
    row("unreadable source", generate, 2, none, u"gam2lib: 无法打开原文件：game.gam\n原因：没有访问权限\n"_s,
        asNobody, u"unreadable_game"_s);
    row("folder without write permission", generate, 2, none, unopened.arg(u"x.lib"_s, u"没有访问权限"_s),
        asNobody, u"unwritable_folder"_s);
    // Known before anything is copied: the rename would be refused.
    row("another's file in a sticky folder", to(u"shared/x.lib"_s), 2, none,
        refused.arg(u"shared/x.lib"_s, u"不允许这样操作"_s), asNobody, u"sticky_folder"_s);
    // The folder's attribute is read without permission to read the folder; a temporary name there could
    // never go again.
    row("append-only folder, replacement", to(u"box/old.lib"_s), 2, none,
        refused.arg(u"box/old.lib"_s, u"不允许这样操作"_s), asNobody, u"append_only_folder"_s);
    row("append-only folder, new library", to(u"box/x.lib"_s), 0, done, none, asNobody,
        u"append_only_folder"_s);
    // The new library is in place, but the disk could not confirm it.
    const QString unconfirmed
        = u"gam2lib: 目标文件已生成，但无法确认它已写入磁盘：%1\n原因：输入输出错误\n"_s;
    row("folder not synced", generate, 3, none, unconfirmed.arg(u"x.lib"_s), u"unsynced"_s);
    // A folder that may only be searched is confirmed through its whole file system.
    row("search-only folder, file system not synced", to(u"box/x.lib"_s), 3, none,
        unconfirmed.arg(u"box/x.lib"_s), u"unsynced_as_nobody"_s, u"search_only_folder"_s);
    // Without /proc the new library is written under a temporary name, which goes again. Sanitizers read
    // their options from /proc.
    row("no /proc", to(u"old.lib"_s), 0, done, none, u"without_proc"_s, u"no_proc"_s);
    // The file the system itself would write to, its links followed from where each really lies.
    row("symlinked folder, then a relative link", to(u"L/x.lib"_s), 0, done, none, none, u"linked_folders"_s);
    row("link to another file system, then ..", to(u"T/../x.lib"_s), 0, done, none, none, u"linked_away"_s);
    row("name of 255 bytes", to(QString(83, QChar(0x6e38)) + u".lib"_s), 0, done, none, none, u"long_name"_s);
    // What the old file had, where the caller may give it.
    row("owner, group and set-gid mode kept", to(u"old.lib"_s), 0, done, none, none, u"owner"_s);
    row("extended attributes and ACL kept", to(u"old.lib"_s), 0, done, none, none, u"attributes"_s);
    // Each file of an overlay on two file systems reports another device than its folder.
    row("overlay on two file systems", to(u"m/old.lib"_s), 0, done, none, none, u"overlay"_s);
    row("symbolic link loop", to(u"loop.lib"_s), 2, none, unopened.arg(u"loop.lib"_s, u"符号链接层数过多"_s),
        none, u"link_loop"_s);
    row("FIFO", to(u"fifo.lib"_s), 2, none, refused.arg(u"fifo.lib"_s, u"不是普通文件"_s), none, u"fifo"_s);
    row("append-only file", to(u"old.lib"_s), 2, none, unopened.arg(u"old.lib"_s, u"不允许这样操作"_s), none,
        u"append_only_file"_s);
    row("read-only file system", to(u"ro/x.lib"_s), 2, none,
        unopened.arg(u"ro/x.lib"_s, u"文件系统是只读的"_s), none, u"read_only_mount"_s);
    // Known before the copy: renaming over a mount point is refused.
    row("mount point", to(u"old.lib"_s), 2, none, refused.arg(u"old.lib"_s, u"文件或设备正忙"_s), none,
        u"mount_point"_s);
    // Root too must not follow another user's link in a sticky world-writable folder.
    row("protected symbolic link", to(u"shared/x.lib"_s), 2, none,
        unopened.arg(u"shared/x.lib"_s, u"没有访问权限"_s), none, u"protected_link"_s);
#endif
}

void TestGam2lib::reports()
{
    QFETCH(QString, run);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    // Where the library is made: exit 0 or 3, or a report that did not arrive.
    const bool made
        = arguments.size() >= 2 && (exitCode == 0 || exitCode == 3 || err.contains(u"标准输出"_s));
    QFETCH(QString, setting);
    Scene scene;
    if (!scene.setUp(Setup()
                         .game(u"game.gam"_s, 1234)
                         .game(u"仙剑.gam"_s, 10)
                         .file(u"old.lib"_s, "old")
                         .file(u"\uFFFD.lib"_s, "unrelated")))
        return;
    if (!setting.isEmpty()) {
        const Run arranged = RunScenes(scene.folder(), setting + u"_arrange"_s);
        if (arranged.exitCode == 77) // what this machine cannot set up, named by scenes.sh
            QSKIP(qPrintable(arranged.out.trimmed()));
        QVERIFY2(arranged.exitCode == 0, qPrintable(arranged.err));
    }
    auto before = scene.snapshot();

#ifdef Q_OS_WIN
    const Run result = RunProgram(scene.folder(), m_program, arguments, !run.isEmpty());
#else
    const Run result = run.isEmpty()
        ? RunProgram(scene.folder(), m_program, arguments)
        : RunScenes(scene.folder(), run + u" \"$@\""_s, QStringList { m_program } + arguments);
#endif

    // Looked at before the setting is verified and tidied, which happens whatever the result.
    const bool madeRight = !made
        || IsTail(
            scene.path(arguments.last()), scene.path(arguments.at(arguments.size() - 2)), LibDataOffset);
    auto after = scene.snapshot();
    const QStringList left = Leftovers(scene.folder());
    const QString verify = setting + u"_verify"_s;
    const Run verified = setting.isEmpty()
        ? Run { 0, {}, {} }
        : RunScenes(scene.folder(), u"if command -v %1 >/dev/null; then %1; fi"_s.arg(verify));

    if (run.startsWith(u"unsynced"_s))
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
    QVERIFY2(verified.exitCode == 0, qPrintable(verify + u" failed: "_s + verified.err));
}

QTEST_GUILESS_MAIN(TestGam2lib)
#include "tst_gam2lib.moc"
