#include "GameFiles.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 Offset = 294912;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// How the child is started: as it is, or as a user who cannot write, or with
// a cap on the size of any file it writes.
struct ChildLimits
{
    bool dropRoot = false;
    qint64 maxFileSize = 0;
};

Run RunGam2lib(const QStringList &arguments, ChildLimits limits = {})
{
    QProcess process;
#ifdef Q_OS_UNIX
    process.setChildProcessModifier([limits] {
        if (limits.maxFileSize > 0) {
            // Without this, crossing the limit kills the child instead of failing its write.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit cap { rlim_t(limits.maxFileSize), rlim_t(limits.maxFileSize) };
            setrlimit(RLIMIT_FSIZE, &cap);
        }
        if (limits.dropRoot && geteuid() == 0) {
            const gid_t nobody = 65534;
            if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
                _exit(125);
        }
    });
#endif
    process.start(QStringLiteral(GAM2LIB_PATH), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestGam2lib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void reportsThroughExitCodeAndStreams_data();
    void reportsThroughExitCodeAndStreams();
    void writeFailureChangesNothing_data();
    void writeFailureChangesNothing();
    void missingPermissionIsAnError_data();
    void missingPermissionIsAnError();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_game;
};

void TestGam2lib::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_game = RandomBytes(Offset + 1234);
    QVERIFY(WriteFile(path(QStringLiteral("game.gam")), m_game));
    QVERIFY(WriteFile(path(QStringLiteral("short.gam")), QByteArray(Offset, 'g')));
    QVERIFY(WriteFile(path(QStringLiteral("-游戏.gam")), m_game));
}

void TestGam2lib::reportsThroughExitCodeAndStreams_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString none;
    QTest::newRow("no arguments") << QStringList {} << 64 << none << QStringLiteral("需要两个参数");
    QTest::newRow("one argument") << QStringList { QStringLiteral("game.gam") } << 64 << none
                                  << QStringLiteral("需要两个参数");
    QTest::newRow("three arguments") << QStringList { QStringLiteral("a"), QStringLiteral("b"),
        QStringLiteral("c") } << 64 << none
                                     << QStringLiteral("需要两个参数");
    QTest::newRow("unknown option") << QStringList { QStringLiteral("--frobnicate") } << 64 << none
                                    << QStringLiteral("frobnicate");
    QTest::newRow("empty destination") << QStringList { QStringLiteral("game.gam"), QString() } << 64 << none
                                       << QStringLiteral("目标文件路径为空");
    QTest::newRow("help") << QStringList { QStringLiteral("--help") } << 0 << QStringLiteral("DESTINATION")
                          << none;
    QTest::newRow("version") << QStringList { QStringLiteral("--version") } << 0
                             << QStringLiteral("gam2lib " TESSALY_VERSION) << none;
    QTest::newRow("generated") << QStringList { QStringLiteral("game.gam"), QStringLiteral("game.lib") } << 0
                               << QStringLiteral("Lib文件生成成功！！\n") << none;
    // "--" lets a name that looks like an option through.
    QTest::newRow("name like an option")
        << QStringList { QStringLiteral("--"), QStringLiteral("-游戏.gam"), QStringLiteral("-游戏.lib") } << 0
        << QStringLiteral("成功") << none;
    QTest::newRow("too short") << QStringList { QStringLiteral("short.gam"), QStringLiteral("short.lib") }
                               << 1 << none << QStringLiteral("请重新打开正确的文件\n");
    QTest::newRow("same file") << QStringList { QStringLiteral("game.gam"), QStringLiteral("./game.gam") }
                               << 1 << none << QStringLiteral("目标文件不能与原文件相同\n");
    QTest::newRow("missing source") << QStringList { QStringLiteral("missing.gam"), QStringLiteral("x.lib") }
                                    << 2 << none << QStringLiteral("无法打开原文件：missing.gam\n原因：");
    QTest::newRow("missing folder") << QStringList { QStringLiteral("game.gam"), QStringLiteral("no/x.lib") }
                                    << 2 << none << QStringLiteral("无法打开目标文件：no/x.lib\n原因：");
}

void TestGam2lib::reportsThroughExitCodeAndStreams()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QVERIFY(QDir::setCurrent(m_dir->path()));

    const Run run = RunGam2lib(arguments);

    QCOMPARE(run.exitCode, exitCode);
    if (out.isEmpty())
        QCOMPARE(run.out, QString());
    else
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
    if (err.isEmpty())
        QCOMPARE(run.err, QString());
    else
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
}

void TestGam2lib::writeFailureChangesNothing_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("sourceInMemory");

    QTest::newRow("existing destination") << true << false;
    QTest::newRow("existing destination, copied through a buffer") << true << true;
}

void TestGam2lib::writeFailureChangesNothing()
{
#ifndef Q_OS_UNIX
    QSKIP("file size limits are set with POSIX calls");
#endif
    QFETCH(bool, existing);
    QFETCH(bool, sourceInMemory);

    std::unique_ptr<QTemporaryDir> memory;
    QString source = path(QStringLiteral("big.gam"));
    if (sourceInMemory) {
        if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            QSKIP("no memory file system to copy from");
        memory = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/tessaly-XXXXXX"));
        source = memory->filePath(QStringLiteral("big.gam"));
    }
    QVERIFY(WriteFile(source, RandomBytes(Offset + 4 * 1024 * 1024)));
    const QString lib = path(QStringLiteral("big.lib"));
    const QByteArray old = RandomBytes(100);
    if (existing)
        QVERIFY(WriteFile(lib, old));
    const QStringList before = Entries(m_dir->path());

    const Run run = RunGam2lib({ source, lib }, { .maxFileSize = 1024 * 1024 });

    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QStringLiteral("无法写入目标文件：") + lib), qPrintable(run.err));
    QVERIFY(!run.out.contains(QStringLiteral("成功")));
    QCOMPARE(Entries(m_dir->path()), before);
    if (existing)
        QVERIFY(ReadFile(lib) == old);
}

void TestGam2lib::missingPermissionIsAnError_data()
{
    QTest::addColumn<QString>("lockedPath");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unreadable source") << "game.gam" << QStringLiteral("无法打开原文件");
    QTest::newRow("folder without write permission") << "." << QStringLiteral("无法打开目标文件");
}

// Run as an ordinary user even under root, who would be let through.
void TestGam2lib::missingPermissionIsAnError()
{
#ifndef Q_OS_UNIX
    QSKIP("permissions are dropped with POSIX calls");
#endif
    QFETCH(QString, lockedPath);
    QFETCH(QString, expected);
    const QFileDevice::Permissions everyone = QFileDevice::ReadOwner | QFileDevice::ReadOther
        | QFileDevice::ReadGroup | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(m_dir->path(), everyone | QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(
        path(QStringLiteral("game.gam")), QFileDevice::ReadOwner | QFileDevice::ReadOther));
    const QString locked = path(lockedPath);
    QVERIFY(QFile::setPermissions(locked, QFileInfo(locked).isDir() ? everyone : QFileDevice::WriteOwner));
    const QStringList before = Entries(m_dir->path());

    const Run run = RunGam2lib(
        { path(QStringLiteral("game.gam")), path(QStringLiteral("game.lib")) }, { .dropRoot = true });

    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(expected), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("Permission denied")), qPrintable(run.err));
    QCOMPARE(Entries(m_dir->path()), before);
}

QTEST_GUILESS_MAIN(TestGam2lib)
#include "tst_gam2lib.moc"
