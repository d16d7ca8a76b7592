#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString TooShort = QStringLiteral("请重新打开正确的文件");
const QString SameFile = QStringLiteral("目标文件不能与原文件相同");

} // namespace

// The conversion as a caller sees it: what is written, which notice comes,
// and what a failure reports. How the destination is replaced has its own suite.
class TestGenerateLib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void emptyDestinationDoesNothing();
    void convertsByLength_data();
    void convertsByLength();
    void rejectsWithWarning_data();
    void rejectsWithWarning();
    void reportsFailures_data();
    void reportsFailures();
    void failedCopyChangesNothing_data();
    void failedCopyChangesNothing();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_game;
};

void TestGenerateLib::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_game = RandomBytes(LibDataOffset + 4096);
    QVERIFY(WriteFile(path(QStringLiteral("game.gam")), m_game));
}

void TestGenerateLib::emptyDestinationDoesNothing()
{
    RecordingNoticeSink sink;
    QCOMPARE(GenerateLib(path(QStringLiteral("missing.gam")), QString(), sink).outcome(),
        GenerateOutcome::NothingToDo);
    QVERIFY(sink.notices.isEmpty());
    QCOMPARE(Entries(m_dir->path()), QStringList { QStringLiteral("game.gam") });
}

void TestGenerateLib::convertsByLength_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("oldLength"); // of a destination already there; -1 for none
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");

    const QString gam = QStringLiteral("仙剑 .gam");
    const QString lib = QStringLiteral(" 仙剑.lib");
    QTest::newRow("one byte of data") << LibDataOffset + 1 << qint64(-1) << gam << lib;
    QTest::newRow("a few MiB over a longer file")
        << LibDataOffset + 3 * 1024 * 1024 + 17 << qint64(5 << 20) << gam << lib;
    QTest::newRow("over a shorter file") << LibDataOffset + 1000 << qint64(10) << gam << lib;
    QTest::newRow("no extension added")
        << LibDataOffset + 50 << qint64(-1) << QStringLiteral("game") << QStringLiteral("library");
    // The kernel will not copy from another file system; the portable loop takes over.
    QTest::newRow("source in memory") << LibDataOffset + 2 * 1024 * 1024 + 3 << qint64(-1)
                                      << QStringLiteral("/dev/shm/tessaly-test.gam") << lib;
}

void TestGenerateLib::convertsByLength()
{
    QFETCH(qint64, length);
    QFETCH(qint64, oldLength);
    QFETCH(QString, source);
    QFETCH(QString, destination);
    if (source.startsWith(QLatin1Char('/')) && !QFileInfo(QFileInfo(source).path()).isWritable())
        QSKIP("no memory file system to copy from");
    const QString game = QDir(m_dir->path()).absoluteFilePath(source);
    const QByteArray bytes = RandomBytes(length);
    QVERIFY(WriteFile(game, bytes));
    const auto removeGame = qScopeGuard([&] { QFile::remove(game); });
    const QString lib = path(destination);
    if (oldLength >= 0)
        QVERIFY(WriteFile(lib, RandomBytes(oldLength)));
    const QStringList entries = Entries(m_dir->path());

    RecordingNoticeSink sink;
    bool libCompleteAtNotice = false;
    sink.onNotice = [&] { libCompleteAtNotice = ReadFile(lib) == bytes.mid(LibDataOffset); };
    const GenerateResult result = GenerateLib(game, lib, sink);

    QVERIFY(!result.failed());
    QCOMPARE(result.outcome(), GenerateOutcome::Generated);
    QCOMPARE(sink.notices.size(), 1);
    QCOMPARE(sink.notices[0].text, QStringLiteral("Lib文件生成成功！！"));
    QCOMPARE(sink.notices[0].title, QStringLiteral("Ovrix祝贺您！"));
    QCOMPARE(sink.notices[0].kind, NoticeKind::Information);
    QVERIFY2(libCompleteAtNotice, "the notice came before the library was in place");
    QCOMPARE(sink.events, QStringList({ QStringLiteral("started"), QStringLiteral("finished") }));
    QStringList expected = entries;
    if (oldLength < 0)
        expected.append(destination);
    expected.sort();
    QCOMPARE(Entries(m_dir->path()), expected);
}

void TestGenerateLib::rejectsWithWarning_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("notice");

    QTest::newRow("empty") << "empty.gam"
                           << "game.lib" << TooShort;
    QTest::newRow("one byte short") << "short.gam"
                                    << "game.lib" << TooShort;
    QTest::newRow("header only, over an old library") << "header.gam"
                                                      << "old.lib" << TooShort;
    QTest::newRow("FIFO") << "fifo"
                          << "game.lib" << QStringLiteral("原文件不是普通文件");
    QTest::newRow("folder") << "folder"
                            << "game.lib" << QStringLiteral("原文件不是普通文件");
    QTest::newRow("same path") << "game.gam"
                               << "game.gam" << SameFile;
    QTest::newRow("other spelling") << "game.gam"
                                    << "folder//../game.gam" << SameFile;
    QTest::newRow("symbolic link") << "game.gam"
                                   << "symbolic.lib" << SameFile;
    QTest::newRow("hard link") << "game.gam"
                               << "hard.lib" << SameFile;
    // A game that may be read but not written is still recognised.
    QTest::newRow("read-only game") << "game.gam"
                                    << "game.gam" << SameFile;
}

void TestGenerateLib::rejectsWithWarning()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, notice);
    QVERIFY(WriteFile(path(QStringLiteral("empty.gam")), {}));
    QVERIFY(WriteFile(path(QStringLiteral("short.gam")), RandomBytes(LibDataOffset - 1)));
    QVERIFY(WriteFile(path(QStringLiteral("header.gam")), RandomBytes(LibDataOffset)));
    QVERIFY(WriteFile(path(QStringLiteral("old.lib")), "old"));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    QVERIFY(QFile::link(path(QStringLiteral("game.gam")), path(QStringLiteral("symbolic.lib"))));
    QCOMPARE(::link(QFile::encodeName(path(QStringLiteral("game.gam"))).constData(),
                 QFile::encodeName(path(QStringLiteral("hard.lib"))).constData()),
        0);
    if (QByteArray(QTest::currentDataTag()) == "read-only game")
        QVERIFY(QFile::setPermissions(path(QStringLiteral("game.gam")), QFileDevice::ReadOwner));
    const QStringList before = Entries(m_dir->path());

    RecordingNoticeSink sink;
    const GenerateResult result = GenerateLib(path(source), path(destination), sink);

    QVERIFY(!result.failed());
    QCOMPARE(result.outcome(), GenerateOutcome::Rejected);
    QCOMPARE(sink.notices.size(), 1);
    QCOMPARE(sink.notices[0].text, notice);
    QCOMPARE(sink.notices[0].title, QStringLiteral("文件不符"));
    QCOMPARE(sink.notices[0].kind, NoticeKind::Warning);
    QVERIFY(sink.events.isEmpty());
    QCOMPARE(Entries(m_dir->path()), before);
    QVERIFY(ReadFile(path(QStringLiteral("game.gam"))) == m_game);
    QCOMPARE(ReadFile(path(QStringLiteral("old.lib"))), QByteArray("old"));
}

void TestGenerateLib::reportsFailures_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty source path") << QString() << "out.lib" << QStringLiteral("无法打开原文件：\n");
    QTest::newRow("missing source") << "missing.gam"
                                    << "out.lib"
                                    << QStringLiteral("无法打开原文件：%1/missing.gam\n原因：No such");
    QTest::newRow("undecodable source name")
        << "\uFFFD.gam"
        << "out.lib" << QStringLiteral("无法打开原文件：%1/\uFFFD.gam\n");
    QTest::newRow("undecodable destination name")
        << "game.gam"
        << "\uFFFD.lib" << QStringLiteral("无法打开目标文件：%1/\uFFFD.lib\n");
    // A bad destination is reported before the source is found too short.
    QTest::newRow("short source, destination in a missing folder")
        << "short.gam"
        << "nowhere/out.lib" << QStringLiteral("无法打开目标文件：%1/nowhere/out.lib\n原因：No such");
    QTest::newRow("destination is a folder")
        << "game.gam"
        << "." << QStringLiteral("无法打开目标文件：%1/.\n原因：Is a dir");
}

void TestGenerateLib::reportsFailures()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, message);
    QVERIFY(WriteFile(path(QStringLiteral("short.gam")), RandomBytes(100)));
    QVERIFY(WriteFile(path(QStringLiteral("\uFFFD.gam")), m_game));
    const QStringList before = Entries(m_dir->path());

    RecordingNoticeSink sink;
    const GenerateResult result
        = GenerateLib(source.isEmpty() ? source : path(source), path(destination), sink);

    QVERIFY(result.failed());
    const QString expected = message.contains(QLatin1String("%1")) ? message.arg(m_dir->path()) : message;
    QVERIFY2(result.error().message().startsWith(expected), qPrintable(result.error().message()));
    QVERIFY(sink.notices.isEmpty());
    QCOMPARE(Entries(m_dir->path()), before);
}

void TestGenerateLib::failedCopyChangesNothing_data()
{
    QTest::addColumn<QString>("source");

    QTest::newRow("copied in the kernel") << QStringLiteral("big.gam");
    QTest::newRow("copied through a buffer") << QStringLiteral("/dev/shm/tessaly-test.gam");
}

// A cap on file sizes makes writes fail part-way, as a full disk would.
void TestGenerateLib::failedCopyChangesNothing()
{
    QFETCH(QString, source);
    if (source.startsWith(QLatin1Char('/')) && !QFileInfo(QFileInfo(source).path()).isWritable())
        QSKIP("no memory file system to copy from");
    const QString game = QDir(m_dir->path()).absoluteFilePath(source);
    QVERIFY(WriteFile(game, RandomBytes(LibDataOffset + 3 * 1024 * 1024)));
    const auto removeGame = qScopeGuard([&] { QFile::remove(game); });
    const QString lib = path(QStringLiteral("game.lib"));
    QVERIFY(WriteFile(lib, "old"));
    const QStringList before = Entries(m_dir->path());

    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit capped = saved;
    capped.rlim_cur = 1024 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &capped), 0);
    RecordingNoticeSink sink;
    const GenerateResult result = GenerateLib(game, lib, sink);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(result.failed());
    QVERIFY2(result.error().message().startsWith(QStringLiteral("无法写入目标文件：") + lib),
        qPrintable(result.error().message()));
    QVERIFY(sink.notices.isEmpty());
    QCOMPARE(sink.events, QStringList({ QStringLiteral("started"), QStringLiteral("finished") }));
    QCOMPARE(Entries(m_dir->path()), before);
    QCOMPARE(ReadFile(lib), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestGenerateLib)
#include "tst_generatelib.moc"
