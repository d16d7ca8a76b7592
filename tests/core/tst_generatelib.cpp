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

#include <atomic>
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
    if (name.isEmpty())
        return name;
#ifdef Q_OS_WIN
    if (name.startsWith(u"short:"_s)) {
        const std::wstring full = QDir::toNativeSeparators(scene.path(name.mid(6))).toStdWString();
        wchar_t shortName[MAX_PATH] = {};
        GetShortPathNameW(full.c_str(), shortName, MAX_PATH);
        return QString::fromWCharArray(shortName);
    }
#endif
    return scene.path(QString(name).replace(u"%1"_s, QDir::toNativeSeparators(scene.folder())));
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

    const QString none;
    const QString gam = u"仙剑 .gam"_s;
    const QString lib = u" 仙剑.lib"_s;
    QTest::newRow("one byte of data") << Setup().game(gam, 1) << gam << lib << Success;
    QTest::newRow("a few MiB over a longer file")
        << Setup().game(gam, 3145745).file(lib, QByteArray(5 << 20, '\0')) << gam << lib << Success;
    QTest::newRow("3 GiB, sparse") << Setup().sparseGame(u"large.gam"_s, qint64(3) << 30) << u"large.gam"_s
                                   << lib << Success;
    QTest::newRow("no destination") << Setup() << u"missing.gam"_s << none << none;
    QTest::newRow("empty") << Setup().file(gam) << gam << lib << TooShort;
    QTest::newRow("header only, over an old library")
        << Setup().game(gam, 0).file(lib, "old") << gam << lib << TooShort;
    QTest::newRow("folder") << Setup().folder(u"folder"_s) << u"folder"_s << lib << NotRegular;
    QTest::newRow("same path") << Setup() << u"game.gam"_s << u"game.gam"_s << SameFile;
    QTest::newRow("other spelling") << Setup().folder(u"sub"_s) << u"game.gam"_s << u"sub//../game.gam"_s
                                    << SameFile;
    QTest::newRow("hard link") << Setup().hardLink(u"link.lib"_s, u"game.gam"_s) << u"game.gam"_s
                               << u"link.lib"_s << SameFile;
    QTest::newRow("symbolic link") << Setup().symbolicLink(u"link.lib"_s, u"game.gam"_s) << u"game.gam"_s
                                   << u"link.lib"_s << SameFile;
    // Writing through it could plant a file wherever it points.
    QTest::newRow("symbolic link that leads nowhere")
        << Setup().symbolicLink(u"link.lib"_s, u"nowhere.lib"_s) << u"game.gam"_s << u"link.lib"_s
        << u"无法替换目标文件：%1/link.lib\n原因：是指向不存在文件的符号链接"_s;
    // The game is recognised even where it may not be written.
    QTest::newRow("read-only game") << Setup().readOnly(u"game.gam"_s) << u"game.gam"_s << u"game.gam"_s
                                    << SameFile;
    QTest::newRow("empty source path")
        << Setup() << none << lib << u"无法打开原文件：\n原因：没有指定文件名"_s;
    QTest::newRow("missing source") << Setup() << u"missing.gam"_s << lib
                                    << u"无法打开原文件：%1/missing.gam\n原因：文件或文件夹不存在"_s;
    // A bad destination is reported before the source is found too short.
    QTest::newRow("short source, missing folder") << Setup().file(
        gam, "short") << gam << u"no/x.lib"_s << u"无法打开目标文件：%1/no/x.lib\n原因：文件或文件夹不存在"_s;
    QTest::newRow("destination is a folder")
        << Setup() << u"game.gam"_s << u"."_s << u"无法打开目标文件：%1/.\n原因：这是一个文件夹"_s;
    const QString deep = u"一个很长的文件夹名字0123456789/"_s.repeated(15);
    QTest::newRow("path of over 260 characters")
        << Setup().folder(deep) << u"game.gam"_s << deep + u"x.lib"_s << Success;
#ifdef Q_OS_WIN
    // Windows spells one file in many ways; each is the game.
    const QString longName = u"a long game name.gam"_s;
    for (const QString &spelling :
        { u"GAME.GAM"_s, u"%1\\game.gam"_s, u"\\\\?\\%1\\game.gam"_s, u"\\\\.\\%1\\game.gam"_s })
        QTest::addRow("same file as %s", qPrintable(spelling))
            << Setup() << u"game.gam"_s << spelling << SameFile;
    QTest::newRow("same file by its 8.3 name")
        << Setup().game(longName, 10) << longName << u"short:"_s + longName << SameFile;
    QTest::newRow("read-only library")
        << Setup().file(u"old.lib"_s, "old").readOnly(u"old.lib"_s) << u"game.gam"_s << u"old.lib"_s
        << u"无法打开目标文件：%1/old.lib\n原因：没有访问权限"_s;
    QTest::newRow("library held open without sharing")
        << Setup().file(u"old.lib"_s, "old").heldOpen(u"old.lib"_s) << u"game.gam"_s << u"old.lib"_s
        << u"无法打开目标文件：%1/old.lib\n原因：文件正被另一个程序使用"_s;
    QTest::newRow("new library through \\\\.\\")
        << Setup() << u"game.gam"_s << u"\\\\.\\%1\\x.lib"_s << Success;
    for (const QString &device : { u"con.lib"_s, u"NUL"_s, u"COM1"_s, u"nul:"_s, u"Con: x"_s, u"COM0"_s,
             u"lpt\u00b9.lib"_s, u"\\\\.\\pipe\\x"_s, u"\\\\.\\C:"_s, u"\\\\?\\nul"_s })
        QTest::addRow("device %s", qPrintable(device))
            << Setup() << u"game.gam"_s << device << u"无法替换目标文件：%2\n原因：不是普通文件"_s;
#endif
#ifdef Q_OS_UNIX
    QTest::newRow("FIFO") << Setup().fifo(u"fifo"_s) << u"fifo"_s << lib << NotRegular;
    QTest::newRow("a file where a folder should be")
        << Setup() << u"game.gam"_s << u"game.gam/x.lib"_s
        << u"无法打开目标文件：%1/game.gam/x.lib\n原因：路径中有一项不是文件夹"_s;
    const QString tooLong = QString(256, u'x') + u".lib"_s;
    QTest::newRow("name too long") << Setup() << u"game.gam"_s << tooLong
                                   << u"无法打开目标文件：%1/"_s + tooLong + u"\n原因：文件名太长"_s;
#endif
#ifdef Q_OS_LINUX
    // The kernel will not copy from another file system; the portable loop takes over.
    const QString inMemory = u"/dev/shm/tessaly-test-source.gam"_s;
    if (QFileInfo(u"/dev/shm"_s).isWritable())
        QTest::newRow("source in memory") << Setup().game(inMemory, 4096) << inMemory << lib << Success;
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

    const bool made = expected == Success;
    if (expected.startsWith(u"无法"_s)) {
        QVERIFY(result.failed());
        QCOMPARE(result.error().message(),
            QString(expected).replace(u"%1"_s, scene.folder()).replace(u"%2"_s, destinationPath));
        QCOMPARE(sink.told, QStringList());
    } else {
        QVERIFY2(!result.failed(), qPrintable(result.failed() ? result.error().message() : QString()));
        QCOMPARE(result.outcome(),
            made                     ? GenerateOutcome::Generated
                : expected.isEmpty() ? GenerateOutcome::NothingToDo
                                     : GenerateOutcome::Rejected);
        // The copy, which a window shows as busy, is over before the notice.
        const QStringList told = made ? QStringList { u"copy started"_s, u"copy finished"_s, Success }
            : expected.isEmpty()      ? QStringList()
                                      : QStringList { expected };
        QCOMPARE(sink.told, told);
    }
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
    std::atomic<bool> done = false;
    std::thread swapper([&, lib = QFile::encodeName(scene.path(u"x.lib"_s)),
                            fifo = QFile::encodeName(scene.path(u"fifo"_s))] {
        while (!done)
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
    done = true;
    swapper.join();
    causes -= { FileError::Cause::NotRegularFile, FileError::Cause::ChangedMeanwhile };
    QVERIFY2(causes.isEmpty(), "a FIFO was opened for writing");
#else
    QSKIP("needs RENAME_EXCHANGE");
#endif
}

QTEST_GUILESS_MAIN(TestGenerateLib)
#include "tst_generatelib.moc"
