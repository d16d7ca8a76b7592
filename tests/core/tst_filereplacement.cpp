#include "FileReplacement.h"
#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"
#include "Shell.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

using namespace Qt::StringLiterals;

// The destination is replaced where the system itself would write, under its
// rules, keeping what the old file had, and never anything but a regular file.
class TestFileReplacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void replaces_data();
    void replaces();
    void opensNothingButARegularFile();

private:
    std::unique_ptr<QTemporaryDir> m_here; // holds game.gam
    std::unique_ptr<QTemporaryDir> m_away; // on another file system where there is one
    QByteArray m_game;
};

void TestFileReplacement::init()
{
    m_here = std::make_unique<QTemporaryDir>();
    const bool memory = QFileInfo(u"/dev/shm"_s).isWritable();
    m_away
        = std::make_unique<QTemporaryDir>((memory ? u"/dev/shm"_s : QDir::tempPath()) + u"/tessaly-XXXXXX"_s);
    QVERIFY(m_here->isValid() && m_away->isValid());
    m_game = RandomBytes(LibDataOffset + 5000);
    QVERIFY(WriteFile(m_here->filePath(u"game.gam"_s), m_game));
    QVERIFY(WriteFile(m_away->filePath(u".expected"_s), m_game.mid(LibDataOffset)));
    qputenv("AWAY", QFile::encodeName(m_away->path()));
    qputenv("LIB", QFile::encodeName(m_away->filePath(u".expected"_s)));
}

void TestFileReplacement::replaces_data()
{
    QTest::addColumn<QString>("arrange");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("failure"); // the report (%1: the folder); empty when the library is made
    QTest::addColumn<QString>("verify");

    const QString made;
    QTest::newRow("symlinked folder, then a relative link")
        << u"mkdir -p real/inner && ln -s real/inner L && ln -s ../old.lib real/inner/x.lib && echo old >real/old.lib"_s
        << u"L/x.lib"_s << made
        << u"cmp real/old.lib \"$LIB\" && test -L real/inner/x.lib && test ! -e old.lib"_s;
    QTest::newRow("link to another file system, then ..")
        << u"mkdir \"$AWAY/sub\" && ln -s \"$AWAY/sub\" T"_s << u"T/../x.lib"_s << made
        << u"cmp \"$AWAY/x.lib\" \"$LIB\""_s;
    QTest::newRow("name of 255 bytes") << u"echo old >\"$DEST\""_s << QString(83, QChar(0x6e38)) + u".lib"_s
                                       << made << u"cmp \"$DEST\" \"$LIB\""_s;
    QTest::newRow("owner, group and set-gid mode kept")
        << u"[ $(id -u) = 0 ] || need root; echo old >old.lib && chown 1000:1000 old.lib && chmod 2640 old.lib"_s
        << u"old.lib"_s << made << u"[ \"$(stat -c %u:%g:%a old.lib)\" = 1000:1000:2640 ]"_s;
    QTest::newRow("extended attributes and ACL kept")
        << u"echo old >old.lib && setfattr -n user.tessaly -v kept old.lib && setfacl -m u:1000:r old.lib "
           "|| need user attributes and ACLs"_s
        << u"old.lib"_s << made
        << u"[ \"$(getfattr --only-values -n user.tessaly old.lib)\" = kept ] && getfacl -cn old.lib | grep -qx user:1000:r--"_s;
    // Each file of an overlay on two file systems reports another device than its folder.
    QTest::newRow("overlay on two file systems")
        << u"mkdir \"$AWAY/lower\" upper work m && echo old >\"$AWAY/lower/old.lib\" && "
           "mount -t overlay overlay -o \"lowerdir=$AWAY/lower,upperdir=$PWD/upper,workdir=$PWD/work\" m "
           "|| need an overlay mount"_s
        << u"m/old.lib"_s << made << u"cmp m/old.lib \"$LIB\"; e=$?; umount m && exit $e"_s;
    QTest::newRow("symbolic link loop")
        << u"ln -s loop.lib loop.lib"_s << u"loop.lib"_s
        << u"无法打开目标文件：%1/loop.lib\n原因：符号链接层数过多"_s << u"test -L loop.lib"_s;
    QTest::newRow("dangling link, left as cp leaves it")
        << u"ln -s nowhere.lib link.lib"_s << u"link.lib"_s
        << u"无法替换目标文件：%1/link.lib\n原因：是指向不存在文件的符号链接"_s << u"test -L link.lib"_s;
    QTest::newRow("FIFO") << u"mkfifo fifo.lib"_s << u"fifo.lib"_s
                          << u"无法替换目标文件：%1/fifo.lib\n原因：不是普通文件"_s << u"test -p fifo.lib"_s;
    QTest::newRow("device node") << u"mknod null.lib c 1 3 || need root"_s << u"null.lib"_s
                                 << u"无法替换目标文件：%1/null.lib\n原因：不是普通文件"_s
                                 << u"test -c null.lib"_s;
    QTest::newRow("append-only file")
        << u"echo old >old.lib && chattr +a old.lib || need chattr"_s << u"old.lib"_s
        << u"无法打开目标文件：%1/old.lib\n原因：不允许这样操作"_s
        << u"chattr -a old.lib && [ \"$(cat old.lib)\" = old ]"_s;
    QTest::newRow("read-only file system")
        << u"mkdir ro && mount -t tmpfs -o ro tmpfs ro || need mount"_s << u"ro/x.lib"_s
        << u"无法打开目标文件：%1/ro/x.lib\n原因：文件系统是只读的"_s << u"umount ro"_s;
    // Known before the copy: renaming over a mount point is refused.
    QTest::newRow("mount point")
        << u"echo old >old.lib && touch other && mount --bind other old.lib || need mount"_s << u"old.lib"_s
        << u"无法替换目标文件：%1/old.lib\n原因：文件或设备正忙"_s
        << u"umount old.lib && [ \"$(cat old.lib)\" = old ]"_s;
    // Root too must not follow another user's link in a sticky world-writable folder.
    QTest::newRow("protected symbolic link")
        << u"[ \"$(cat /proc/sys/fs/protected_symlinks)\" = 1 ] || need fs.protected_symlinks=1; "
           "mkdir -m 1777 shared && echo old >victim && ln -s \"$PWD/victim\" shared/x.lib && chown -h 65534 shared/x.lib"_s
        << u"shared/x.lib"_s << u"无法打开目标文件：%1/shared/x.lib\n原因：没有访问权限"_s
        << u"[ \"$(cat victim)\" = old ]"_s;
}

void TestFileReplacement::replaces()
{
    QFETCH(QString, arrange);
    QFETCH(QString, destination);
    QFETCH(QString, failure);
    QFETCH(QString, verify);
    qputenv("DEST", QFile::encodeName(destination));
    ARRANGE_IN_SHELL(m_here->path(), arrange);
    const QStringList before = Entries(m_here->path());

    RecordingNoticeSink sink;
    const GenerateResult result
        = GenerateLib(m_here->filePath(u"game.gam"_s), m_here->filePath(destination), sink);
    // Also tidies what the scene set up, so it runs whatever the result.
    const ShellRun verified = RunShell(m_here->path(), verify);

    QCOMPARE(result.failed() ? result.error().message() : QString(),
        failure.isEmpty() ? failure : failure.arg(m_here->path()));
    if (result.failed()) {
        QVERIFY(sink.events.isEmpty());
        QCOMPARE(Entries(m_here->path()), before);
    }
    QVERIFY2(verified.exitCode == 0, qPrintable(verified.err));
    QVERIFY(ReadFile(m_here->filePath(u"game.gam"_s)) == m_game);
    for (const QString &folder : { m_here->path(), m_away->path() })
        QCOMPARE(Leftovers(folder), QStringList());
}

// The name swaps between a regular file and a FIFO without a reader as fast as
// the kernel allows. Were the FIFO ever opened for writing, that open would
// fail with ENXIO, a cause the replacement has no name for.
void TestFileReplacement::opensNothingButARegularFile()
{
    const QString lib = m_here->filePath(u"x.lib"_s);
    const QByteArray fifo = QFile::encodeName(m_here->filePath(u"fifo"_s));
    QVERIFY(WriteFile(lib, "old") && ::mkfifo(fifo.constData(), 0600) == 0);
    std::atomic<bool> done = false;
    std::thread swapper([&, name = QFile::encodeName(lib)] {
        while (!done)
            ::renameat2(AT_FDCWD, name.constData(), AT_FDCWD, fifo.constData(), RENAME_EXCHANGE);
    });
    // Until the swaps have often enough come in the middle of a check.
    QSet<FileError::Cause> causes;
    const QDeadlineTimer deadline(20000);
    for (int midway = 0; midway < 300 && !deadline.hasExpired();) {
        FileReplacement replacement(lib);
        if (const auto failure = replacement.prepare()) {
            causes.insert(failure->cause());
            midway += failure->cause() == FileError::Cause::ChangedMeanwhile;
        }
    }
    done = true;
    swapper.join();
    causes -= { FileError::Cause::NotRegularFile, FileError::Cause::ChangedMeanwhile };
    QVERIFY2(causes.isEmpty(), "a FIFO was opened for writing");
}

QTEST_GUILESS_MAIN(TestFileReplacement)
#include "tst_filereplacement.moc"
