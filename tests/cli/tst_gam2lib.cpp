#include "GameFiles.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 Offset = 294912;
constexpr uid_t Nobody = 65534;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// An argument with a backslash is passed as the bytes printf makes of it,
// which QProcess cannot do: it encodes every argument from Unicode.
Run RunGam2lib(
    const QString &program, const QStringList &arguments, const QString &output = {}, bool asNobody = false)
{
    QString script = QStringLiteral("exec \"$0\"");
    for (const QString &argument : arguments)
        script += argument.contains(QLatin1Char('\\')) ? QStringLiteral(" \"$(printf '%1')\"").arg(argument)
                                                       : QStringLiteral(" '%1'").arg(argument);
    QProcess process;
    if (!output.isEmpty())
        process.setStandardOutputFile(output);
    process.setChildProcessModifier([asNobody] {
        if (asNobody && (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0))
            _exit(125);
    });
    process.start(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), script, program });
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

// What a script sees of gam2lib: exit codes, the two streams, and the paths
// it is given taken byte for byte.
class TestGam2lib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void reportsThroughExitCodeAndStreams_data();
    void reportsThroughExitCodeAndStreams();
    void refusedForAnOrdinaryUser_data();
    void refusedForAnOrdinaryUser();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestGam2lib::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
    QVERIFY(WriteFile(path(QStringLiteral("game.gam")), RandomBytes(Offset + 1234)));
    QVERIFY(WriteFile(path(QStringLiteral("short.gam")), QByteArray(Offset, 'g')));
    // Where an undecodable name would land if it were taken as U+FFFD.
    QVERIFY(WriteFile(path(QStringLiteral("\uFFFD.lib")), "unrelated"));
}

void TestGam2lib::reportsThroughExitCodeAndStreams_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output"); // where standard output goes, if not to the test
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString none;
    const QString full = QStringLiteral("/dev/full");
    const QString unwritable = QStringLiteral("无法写入标准输出：No space left on device");
    QTest::newRow("no arguments") << QStringList {} << none << 64 << none << QStringLiteral("需要两个参数");
    QTest::newRow("three arguments") << QStringList { u"a"_s, u"b"_s, u"c"_s } << none << 64 << none
                                     << QStringLiteral("需要两个参数");
    QTest::newRow("unknown option") << QStringList { u"--frobnicate"_s } << none << 64 << none
                                    << u"frobnicate"_s;
    QTest::newRow("empty destination")
        << QStringList { u"game.gam"_s, u""_s } << none << 64 << none << QStringLiteral("目标文件路径为空");
    QTest::newRow("undecodable name") << QStringList { u"game.gam"_s, u"\\376.lib"_s } << none << 64 << none
                                      << QStringLiteral("参数中有无法识别的字符");
    QTest::newRow("help") << QStringList { u"--help"_s } << none << 0 << u"DESTINATION"_s << none;
    QTest::newRow("version") << QStringList { u"--version"_s } << none << 0
                             << QStringLiteral("gam2lib " TESSALY_VERSION "\n") << none;
    QTest::newRow("generated") << QStringList { u"game.gam"_s, u"game.lib"_s } << none << 0
                               << QStringLiteral("Lib文件生成成功！！\n") << none;
    // After "--", even what Qt would take as its own option is a name.
    QTest::newRow("name like a Qt option")
        << QStringList { u"--"_s, u"game.gam"_s, u"-qmljsdebugger=port:1"_s } << none << 0
        << QStringLiteral("成功") << none;
    QTest::newRow("too short") << QStringList { u"short.gam"_s, u"short.lib"_s } << none << 1 << none
                               << QStringLiteral("请重新打开正确的文件\n");
    QTest::newRow("missing source") << QStringList { u"missing.gam"_s, u"x.lib"_s } << none << 2 << none
                                    << QStringLiteral("gam2lib: 无法打开原文件：missing.gam\n原因：");
    QTest::newRow("generated, output lost")
        << QStringList { u"game.gam"_s, u"game.lib"_s } << full << 2 << none << unwritable;
    QTest::newRow("help, output lost") << QStringList { u"--help"_s } << full << 2 << none << unwritable;
    QTest::newRow("version, output lost")
        << QStringList { u"--version"_s } << full << 2 << none << unwritable;
}

void TestGam2lib::reportsThroughExitCodeAndStreams()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const auto before = Snapshot(m_dir->path());

    const Run run = RunGam2lib(QStringLiteral(GAM2LIB_PATH), arguments, output);

    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.contains(out), qPrintable(run.out));
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), qPrintable(run.err));
    if (exitCode != 0 && output.isEmpty())
        QCOMPARE(Snapshot(m_dir->path()), before);
}

void TestGam2lib::refusedForAnOrdinaryUser_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unreadable source") << u"game.lib"_s << QStringLiteral("无法打开原文件");
    QTest::newRow("folder without write permission") << u"game.lib"_s << QStringLiteral("无法打开目标文件");
    // Known before anything is copied: the rename would be refused.
    QTest::newRow("another's file in a sticky folder")
        << u"sticky/root.lib"_s << QStringLiteral("无法替换目标文件");
}

// Root would be let through, so the program runs as nobody, from a copy that
// nobody can reach wherever the checkout lies.
void TestGam2lib::refusedForAnOrdinaryUser()
{
    QFETCH(QString, destination);
    QFETCH(QString, expected);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    if (::geteuid() != 0 && tag.contains(QLatin1String("sticky")))
        QSKIP("needs root to own the file as another user");
    const QString program = path(QStringLiteral("gam2lib"));
    QVERIFY(QFile::copy(QStringLiteral(GAM2LIB_PATH), program));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sticky")));
    QVERIFY(WriteFile(path(QStringLiteral("sticky/root.lib")), "old"));
    QCOMPARE(::chmod(QFile::encodeName(path(QStringLiteral("sticky"))).constData(), 01777), 0);
    QCOMPARE(::chmod(QFile::encodeName(path(QStringLiteral("sticky/root.lib"))).constData(), 0666), 0);
    const bool unreadable = tag.contains(QLatin1String("unreadable"));
    QCOMPARE(
        ::chmod(QFile::encodeName(path(QStringLiteral("game.gam"))).constData(), unreadable ? 0600 : 0644),
        0);
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), unreadable ? 0777 : 0755), 0);
    const auto before = Snapshot(m_dir->path());

    const Run run = RunGam2lib(program, { path(QStringLiteral("game.gam")), path(destination) }, {}, true);

    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(expected), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("原因：Permission denied"))
            || run.err.contains(QStringLiteral("原因：Operation not permitted")),
        qPrintable(run.err));
    QCOMPARE(Snapshot(m_dir->path()), before);
    QCOMPARE(ReadFile(path(QStringLiteral("sticky/root.lib"))), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestGam2lib)
#include "tst_gam2lib.moc"
