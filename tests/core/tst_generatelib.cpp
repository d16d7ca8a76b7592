#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"
#include "Scene.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSet>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#ifdef Q_OS_LINUX
#include "FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#endif

using namespace Qt::StringLiterals;

namespace {

const QString Success = u"Information|Ovrix祝贺您！|Lib文件生成成功！！"_s;
const QString TooShort = u"Warning|文件不符|请重新打开正确的文件"_s;
const QString SameFile = u"Warning|文件不符|目标文件不能与原文件相同"_s;
const QString NotRegular = u"Warning|文件不符|原文件不是普通文件"_s;

// A row's path: relative to the scene, with %1 for the scene's folder as the system writes it, or
// "short:" and a name for that name's 8.3 form.
QString RowPath(const Scene &scene, const QString &name)
{
#ifdef Q_OS_WIN
    wchar_t shortName[MAX_PATH] = {};
    const std::wstring full = QDir::toNativeSeparators(scene.path(name.mid(6))).toStdWString();
    if (name.startsWith(u"short:"_s) && GetShortPathNameW(full.c_str(), shortName, MAX_PATH))
        return QString::fromWCharArray(shortName);
#endif
    return name.isEmpty()
        ? name
        : scene.path(QString(name).replace(u"%1"_s, QDir::toNativeSeparators(scene.folder())));
}

} // namespace

// The conversion as a caller sees it: what is written, which notice comes,
// and what a failure reports. Every scene holds game.gam, 4096 bytes of data.
class TestGenerateLib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void generates_data();
    void generates();
    void opensNothingButARegularFile();
};

void TestGenerateLib::generates_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    // The notice, or the error report (%1: the folder, %2: the destination), or nothing at all.
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, const QString &destination, const QString &expected,
                         const Setup &setup = {}, const QString &source = u"game.gam"_s) {
        QTest::newRow(name) << setup << source << destination << expected;
    };
    // What an error reports of a destination, relative to the folder.
    const auto unopened = [](const QString &name, const QString &reason) {
        return u"无法打开目标文件：%1/"_s + name + u"\n原因："_s + reason;
    };
    const QString none;
    const QString gam = u"仙剑 .gam"_s;
    const QString lib = u" 仙剑.lib"_s;
    row("one byte of data", lib, Success, Setup().game(gam, 1), gam);
    row("a few MiB over a longer file", lib, Success,
        Setup().game(gam, 3145745).file(lib, QByteArray(5 << 20, '\0')), gam);
    row("3 GiB, sparse", lib, Success, Setup().sparseGame(u"large.gam"_s, qint64(3) << 30), u"large.gam"_s);
    row("no destination", none, none, {}, u"missing.gam"_s);
    row("empty", lib, TooShort, Setup().file(gam), gam);
    row("header only, over an old library", lib, TooShort, Setup().game(gam, 0).file(lib, "old"), gam);
    row("folder", lib, NotRegular, Setup().folder(u"folder"_s), u"folder"_s);
    row("same path", u"game.gam"_s, SameFile);
    row("other spelling", u"sub//../game.gam"_s, SameFile, Setup().folder(u"sub"_s));
    row("hard link", u"link.lib"_s, SameFile, Setup().hardLink(u"link.lib"_s, u"game.gam"_s));
    row("symbolic link", u"link.lib"_s, SameFile, Setup().symbolicLink(u"link.lib"_s, u"game.gam"_s));
    // Writing through it could plant a file wherever it points.
    row("symbolic link that leads nowhere", u"link.lib"_s,
        u"无法替换目标文件：%1/link.lib\n原因：是指向不存在文件的符号链接"_s,
        Setup().symbolicLink(u"link.lib"_s, u"nowhere.lib"_s));
    // The game is recognised even where it may not be written.
    row("read-only game", u"game.gam"_s, SameFile, Setup().readOnly(u"game.gam"_s));
    row("empty source path", lib, u"无法打开原文件：\n原因：没有指定文件名"_s, {}, none);
    row("missing source", lib, u"无法打开原文件：%1/missing.gam\n原因：文件或文件夹不存在"_s, {},
        u"missing.gam"_s);
    // A bad destination is reported before the source is found too short.
    row("short source, missing folder", u"no/x.lib"_s, unopened(u"no/x.lib"_s, u"文件或文件夹不存在"_s),
        Setup().file(gam, "short"), gam);
    row("destination is a folder", u"."_s, unopened(u"."_s, u"这是一个文件夹"_s));
    const QString deep = u"一个很长的文件夹名字0123456789/"_s.repeated(15);
    row("path of over 260 characters", deep + u"x.lib"_s, Success, Setup().folder(deep));
#ifdef Q_OS_WIN
    // Windows spells one file in many ways; each is the game.
    for (const QString &spelling :
        { u"GAME.GAM"_s, u"%1\\game.gam"_s, u"\\\\?\\%1\\game.gam"_s, u"\\\\.\\%1\\game.gam"_s })
        row(qPrintable(u"same file as "_s + spelling), spelling, SameFile);
    const QString longName = u"a long game name.gam"_s;
    row("same file by its 8.3 name", u"short:"_s + longName, SameFile, Setup().game(longName, 10), longName);
    row("read-only library", u"old.lib"_s, unopened(u"old.lib"_s, u"没有访问权限"_s),
        Setup().file(u"old.lib"_s, "old").readOnly(u"old.lib"_s));
    row("library held open without sharing", u"old.lib"_s,
        unopened(u"old.lib"_s, u"文件正被另一个程序使用"_s),
        Setup().file(u"old.lib"_s, "old").heldOpen(u"old.lib"_s));
    row("new library through \\\\.\\", u"\\\\.\\%1\\x.lib"_s, Success);
    for (const QString &device : { u"con.lib"_s, u"NUL"_s, u"COM1"_s, u"nul:"_s, u"Con: x"_s, u"COM0"_s,
             u"lpt\u00b9.lib"_s, u"\\\\.\\pipe\\x"_s, u"\\\\.\\C:"_s, u"\\\\?\\nul"_s })
        row(qPrintable(u"device "_s + device), device, u"无法替换目标文件：%2\n原因：不是普通文件"_s);
#endif
#ifdef Q_OS_UNIX
    row("FIFO", lib, NotRegular, Setup().fifo(u"fifo"_s), u"fifo"_s);
    row("a file where a folder should be", u"game.gam/x.lib"_s,
        unopened(u"game.gam/x.lib"_s, u"路径中有一项不是文件夹"_s));
    const QString tooLong = QString(256, u'x') + u".lib"_s;
    row("name too long", tooLong, unopened(tooLong, u"文件名太长"_s));
#endif
#ifdef Q_OS_LINUX
    // The kernel will not copy from another file system; the portable loop takes over.
    const QString inMemory = u"/dev/shm/tessaly-test-source.gam"_s;
    if (QFileInfo(u"/dev/shm"_s).isWritable())
        row("source in memory", lib, Success, Setup().game(inMemory, 4096), inMemory);
#endif
}

void TestGenerateLib::generates()
{
    QFETCH(Setup, setup);
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, expected);
    Scene scene;
    if (!scene.setUp(Setup().game(u"game.gam"_s, 4096).then(setup)))
        return;
    const QString sourcePath = RowPath(scene, source);
    const QString destinationPath = RowPath(scene, destination);
    const auto before = scene.snapshot();

    RecordingNoticeSink sink;
    bool completeAtNotice = false;
    sink.onNotice = [&] { completeAtNotice = IsTail(destinationPath, sourcePath, LibDataOffset); };
    const GenerateResult result = GenerateLib(sourcePath, destinationPath, sink);

    // All the caller is told: the copy, which a window shows as busy, is over before the notice; a failure
    // comes with neither.
    QStringList told = sink.told;
    if (result.failed())
        told.append(result.error().message());
    const bool made = expected == Success;
    const QString said = QString(expected).replace(u"%1"_s, scene.folder()).replace(u"%2"_s, destinationPath);
    const QStringList expectedTold = made ? QStringList { u"copy started"_s, u"copy finished"_s, Success }
        : said.isEmpty()                  ? QStringList()
                                          : QStringList { said };
    QCOMPARE(told, expectedTold);
    if (!result.failed())
        QCOMPARE(result.outcome(),
            made                     ? GenerateOutcome::Generated
                : expected.isEmpty() ? GenerateOutcome::NothingToDo
                                     : GenerateOutcome::Rejected);
    if (made) {
        QVERIFY2(completeAtNotice, "the notice came before the library was in place");
        QCOMPARE(Leftovers(scene.folder()), QStringList());
    } else {
        QCOMPARE(scene.snapshot(), before);
    }
}

// The name swaps between a regular file and a FIFO without a reader as fast as the kernel allows. Were the
// FIFO ever opened for writing, that open would fail with ENXIO, a cause the replacement has no name for.
void TestGenerateLib::opensNothingButARegularFile()
{
#ifdef Q_OS_LINUX
    Scene scene;
    if (!scene.setUp(Setup().file(u"x.lib"_s, "old").fifo(u"fifo"_s)))
        return;
    // Stopped and joined as the test ends.
    const std::jthread swapper([lib = QFile::encodeName(scene.path(u"x.lib"_s)),
                                   fifo = QFile::encodeName(scene.path(u"fifo"_s))](std::stop_token stop) {
        while (!stop.stop_requested())
            ::renameat2(AT_FDCWD, lib.constData(), AT_FDCWD, fifo.constData(), RENAME_EXCHANGE);
    });
    // Until the swaps have often enough come in the middle of a check.
    QSet<FileError::Cause> causes;
    const QDeadlineTimer deadline(20000);
    for (int midway = 0; midway < 300 && !deadline.hasExpired();) {
        FileReplacement replacement(scene.path(u"x.lib"_s));
        if (const auto failure = replacement.prepare()) {
            causes.insert(failure->cause());
            midway += failure->cause() == FileError::Cause::ChangedMeanwhile;
        }
    }
    causes -= { FileError::Cause::NotRegularFile, FileError::Cause::ChangedMeanwhile };
    QVERIFY2(causes.isEmpty(), "a FIFO was opened for writing");
#else
    QSKIP("needs RENAME_EXCHANGE");
#endif
}

QTEST_GUILESS_MAIN(TestGenerateLib)
#include "tst_generatelib.moc"
