#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const QString Success = QStringLiteral("Lib文件生成成功！！");
const QString SuccessTitle = QStringLiteral("Ovrix祝贺您！");
const QString TooShort = QStringLiteral("请重新打开正确的文件");
const QString SameFile = QStringLiteral("目标文件不能与原文件相同");
const QString MismatchTitle = QStringLiteral("文件不符");

} // namespace

class TestGenerateLib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void convertsByLength_data();
    void convertsByLength();
    void emptyDestinationDoesNothing_data();
    void emptyDestinationDoesNothing();
    void reportsFailures_data();
    void reportsFailures();
    void replacesExistingDestination_data();
    void replacesExistingDestination();
    void refusesSameFile_data();
    void refusesSameFile();
    void usesPathsExactlyAsGiven_data();
    void usesPathsExactlyAsGiven();
    void convertsAcrossFileSystems();
    void failedCopyChangesNothing_data();
    void failedCopyChangesNothing();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QByteArray makeGame(const QString &name, qint64 length)
    {
        const QByteArray bytes = RandomBytes(length);
        if (!WriteFile(path(name), bytes))
            qFatal("cannot write test game %s", qPrintable(name));
        return bytes;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestGenerateLib::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestGenerateLib::convertsByLength_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("empty") << qint64(0) << false;
    QTest::newRow("one byte short of the data") << LibDataOffset - 1 << false;
    QTest::newRow("header only") << LibDataOffset << false;
    QTest::newRow("one byte of data") << LibDataOffset + 1 << true;
    QTest::newRow("a few MiB") << LibDataOffset + 3 * 1024 * 1024 + 17 << true;
}

void TestGenerateLib::convertsByLength()
{
    QFETCH(qint64, length);
    QFETCH(bool, accepted);

    const QByteArray game = makeGame(QStringLiteral("game.gam"), length);
    const QString lib = path(QStringLiteral("game.lib"));
    const QByteArray expected = game.mid(LibDataOffset);

    RecordingNoticeSink sink;
    bool libCompleteAtNotice = false;
    bool libExistsAtNotice = true;
    sink.onNotice = [&] {
        libExistsAtNotice = QFileInfo::exists(lib);
        libCompleteAtNotice = ReadFile(lib) == expected;
    };

    const GenerateResult result = GenerateLib(path(QStringLiteral("game.gam")), lib, sink);

    QVERIFY(!result.failed());
    QCOMPARE(sink.notices.size(), 1);
    if (accepted) {
        QCOMPARE(result.outcome(), GenerateOutcome::Generated);
        QCOMPARE(sink.notices[0].text, Success);
        QCOMPARE(sink.notices[0].title, SuccessTitle);
        QCOMPARE(sink.notices[0].kind, NoticeKind::Information);
        QVERIFY2(libCompleteAtNotice, "the notice came before the library was in place");
        QCOMPARE(QFileInfo(lib).size(), length - LibDataOffset);
        QVERIFY(ReadFile(lib) == expected);
        QCOMPARE(sink.events, QStringList({ QStringLiteral("started"), QStringLiteral("finished") }));
    } else {
        QCOMPARE(result.outcome(), GenerateOutcome::Rejected);
        QCOMPARE(sink.notices[0].text, TooShort);
        QCOMPARE(sink.notices[0].title, MismatchTitle);
        QCOMPARE(sink.notices[0].kind, NoticeKind::Warning);
        QVERIFY(!libExistsAtNotice);
        QVERIFY(sink.events.isEmpty());
    }
    const QStringList expectedEntries = accepted
        ? QStringList { QStringLiteral("game.gam"), QStringLiteral("game.lib") }
        : QStringList { QStringLiteral("game.gam") };
    QCOMPARE(Entries(m_dir->path()), expectedEntries);
}

void TestGenerateLib::emptyDestinationDoesNothing_data()
{
    QTest::addColumn<QString>("source");

    QTest::newRow("empty source") << QString();
    QTest::newRow("missing source") << QStringLiteral("missing.gam");
    QTest::newRow("valid game") << QStringLiteral("game.gam");
    QTest::newRow("blank source") << QStringLiteral("   ");
}

void TestGenerateLib::emptyDestinationDoesNothing()
{
    QFETCH(QString, source);
    makeGame(QStringLiteral("game.gam"), LibDataOffset + 10);
    const QStringList before = Entries(m_dir->path());

    RecordingNoticeSink sink;
    const GenerateResult result = GenerateLib(source.isEmpty() ? source : path(source), QString(), sink);

    QVERIFY(!result.failed());
    QCOMPARE(result.outcome(), GenerateOutcome::NothingToDo);
    QVERIFY(sink.notices.isEmpty());
    QCOMPARE(Entries(m_dir->path()), before);
}

void TestGenerateLib::reportsFailures_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<FileError::Operation>("operation");
    QTest::addColumn<FileError::Role>("role");

    const auto open = FileError::Operation::Open;
    const auto src = FileError::Role::Source;
    const auto dst = FileError::Role::Destination;
    QTest::newRow("empty source path") << QString() << "out.lib" << open << src;
    QTest::newRow("missing source") << "missing.gam"
                                    << "out.lib" << open << src;
    QTest::newRow("source is a folder") << "folder"
                                        << "out.lib" << open << src;
    QTest::newRow("destination in a missing folder") << "game.gam"
                                                     << "nowhere/out.lib" << open << dst;
    QTest::newRow("destination is a folder") << "game.gam"
                                             << "folder" << open << dst;
    // A bad destination is reported before the source is found too short.
    QTest::newRow("short source, bad destination") << "short.gam"
                                                   << "nowhere/out.lib" << open << dst;
}

void TestGenerateLib::reportsFailures()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(FileError::Operation, operation);
    QFETCH(FileError::Role, role);

    makeGame(QStringLiteral("game.gam"), LibDataOffset + 100);
    makeGame(QStringLiteral("short.gam"), 100);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    const QStringList before = Entries(m_dir->path());
    const QString sourcePath = source.isEmpty() ? source : path(source);
    const QString destinationPath = path(destination);

    RecordingNoticeSink sink;
    const GenerateResult result = GenerateLib(sourcePath, destinationPath, sink);

    QVERIFY(result.failed());
    QCOMPARE(result.error().operation(), operation);
    QCOMPARE(result.error().role(), role);
    QCOMPARE(result.error().path(), role == FileError::Role::Source ? sourcePath : destinationPath);
    QVERIFY(!result.error().reason().isEmpty());
    QVERIFY(result.error().message().contains(result.error().path()));
    QVERIFY(sink.notices.isEmpty());
    QCOMPARE(Entries(m_dir->path()), before);
    QVERIFY(Entries(path(QStringLiteral("folder"))).isEmpty());
}

void TestGenerateLib::replacesExistingDestination_data()
{
    QTest::addColumn<qint64>("gameLength");
    QTest::addColumn<qint64>("oldLength");

    const qint64 game = LibDataOffset + 1000;
    QTest::newRow("longer") << game << qint64(5 * 1024 * 1024);
    QTest::newRow("shorter") << game << qint64(10);
    QTest::newRow("same length") << game << qint64(1000);
    QTest::newRow("empty") << game << qint64(0);
    QTest::newRow("kept when the game is rejected") << LibDataOffset << qint64(4096);
}

void TestGenerateLib::replacesExistingDestination()
{
    QFETCH(qint64, gameLength);
    QFETCH(qint64, oldLength);
    const QByteArray game = makeGame(QStringLiteral("game.gam"), gameLength);
    const QString lib = path(QStringLiteral("game.lib"));
    const QByteArray old = RandomBytes(oldLength);
    QVERIFY(WriteFile(lib, old));

    RecordingNoticeSink sink;
    const GenerateResult result = GenerateLib(path(QStringLiteral("game.gam")), lib, sink);

    QVERIFY(!result.failed());
    QVERIFY(
        ReadFile(lib) == (result.outcome() == GenerateOutcome::Generated ? game.mid(LibDataOffset) : old));
    QCOMPARE(result.outcome() == GenerateOutcome::Generated, gameLength > LibDataOffset);
    QCOMPARE(Entries(m_dir->path()), QStringList({ QStringLiteral("game.gam"), QStringLiteral("game.lib") }));
}

void TestGenerateLib::refusesSameFile_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("link");

    QTest::newRow("same path") << "game.gam"
                               << "";
    QTest::newRow("other spelling") << "sub/../game.gam"
                                    << "";
    QTest::newRow("doubled separators") << "sub//..//game.gam"
                                        << "";
    QTest::newRow("symbolic link") << "link.lib"
                                   << "symbolic";
    QTest::newRow("hard link") << "link.lib"
                               << "hard";
}

void TestGenerateLib::refusesSameFile()
{
    QFETCH(QString, destination);
    QFETCH(QString, link);

    const QString game = path(QStringLiteral("game.gam"));
    const QByteArray bytes = makeGame(QStringLiteral("game.gam"), LibDataOffset + 4096);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
    const QString linkPath = path(QStringLiteral("link.lib"));
    if (link == QLatin1String("symbolic"))
        QVERIFY(QFile::link(game, linkPath));
#ifdef Q_OS_UNIX
    if (link == QLatin1String("hard"))
        QCOMPARE(::link(QFile::encodeName(game).constData(), QFile::encodeName(linkPath).constData()), 0);
#else
    if (link == QLatin1String("hard"))
        QSKIP("hard links are made here with POSIX calls");
#endif

    RecordingNoticeSink sink;
    const GenerateResult result = GenerateLib(game, path(destination), sink);

    QVERIFY(!result.failed());
    QCOMPARE(result.outcome(), GenerateOutcome::Rejected);
    QCOMPARE(sink.notices.size(), 1);
    QCOMPARE(sink.notices[0].text, SameFile);
    QCOMPARE(sink.notices[0].title, MismatchTitle);
    QCOMPARE(sink.notices[0].kind, NoticeKind::Warning);
    QVERIFY(ReadFile(game) == bytes);
    if (link == QLatin1String("symbolic"))
        QVERIFY(QFileInfo(linkPath).isSymLink());
}

void TestGenerateLib::usesPathsExactlyAsGiven_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");

    QTest::newRow("Chinese") << QStringLiteral("仙剑奇侠传.gam") << QStringLiteral("仙剑奇侠传.lib");
    QTest::newRow("spaces") << QStringLiteral("my game.gam") << QStringLiteral("my game.lib");
    QTest::newRow("emoji") << QStringLiteral("🎮游戏.gam") << QStringLiteral("🎮游戏.lib");
    QTest::newRow("blanks kept") << QStringLiteral(" game.gam ") << QStringLiteral(" game.lib ");
    QTest::newRow("no extension added") << QStringLiteral("game") << QStringLiteral("library");
}

void TestGenerateLib::usesPathsExactlyAsGiven()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    const QByteArray game = makeGame(source, LibDataOffset + 50);

    RecordingNoticeSink sink;
    QCOMPARE(GenerateLib(path(source), path(destination), sink).outcome(), GenerateOutcome::Generated);

    QVERIFY(ReadFile(path(destination)) == game.mid(LibDataOffset));
    QStringList expected { source, destination };
    expected.sort();
    QCOMPARE(Entries(m_dir->path()), expected);
}

// The kernel will not copy between file systems; the portable loop takes over.
void TestGenerateLib::convertsAcrossFileSystems()
{
    const QString memoryFolder = QStringLiteral("/dev/shm");
    if (!QFileInfo(memoryFolder).isWritable())
        QSKIP("no memory file system to copy from");
    QTemporaryDir other(memoryFolder + QStringLiteral("/tessaly-XXXXXX"));
    QVERIFY(other.isValid());
    const QByteArray game = RandomBytes(LibDataOffset + 2 * 1024 * 1024 + 3);
    QVERIFY(WriteFile(other.filePath(QStringLiteral("game.gam")), game));

    RecordingNoticeSink sink;
    const QString lib = path(QStringLiteral("game.lib"));
    QCOMPARE(GenerateLib(other.filePath(QStringLiteral("game.gam")), lib, sink).outcome(),
        GenerateOutcome::Generated);

    QVERIFY(ReadFile(lib) == game.mid(LibDataOffset));
}

void TestGenerateLib::failedCopyChangesNothing_data()
{
    QTest::addColumn<bool>("existing");

    QTest::newRow("new destination") << false;
    QTest::newRow("existing destination") << true;
}

// A cap on file sizes makes writes fail part-way, as a full disk would.
void TestGenerateLib::failedCopyChangesNothing()
{
#ifndef Q_OS_UNIX
    QSKIP("file size limits are set with POSIX calls");
#else
    QFETCH(bool, existing);
    makeGame(QStringLiteral("game.gam"), LibDataOffset + 3 * 1024 * 1024);
    const QString lib = path(QStringLiteral("game.lib"));
    const QByteArray old = RandomBytes(300);
    if (existing)
        QVERIFY(WriteFile(lib, old));
    const QStringList before = Entries(m_dir->path());

    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit capped = saved;
    capped.rlim_cur = 1024 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &capped), 0);
    RecordingNoticeSink sink;
    const GenerateResult result = GenerateLib(path(QStringLiteral("game.gam")), lib, sink);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(result.failed());
    QCOMPARE(result.error().operation(), FileError::Operation::Write);
    QCOMPARE(result.error().role(), FileError::Role::Destination);
    QCOMPARE(result.error().path(), lib);
    QVERIFY(sink.notices.isEmpty());
    QCOMPARE(sink.events, QStringList({ QStringLiteral("started"), QStringLiteral("finished") }));
    QCOMPARE(Entries(m_dir->path()), before);
    if (existing)
        QVERIFY(ReadFile(lib) == old);
#endif
}

QTEST_GUILESS_MAIN(TestGenerateLib)
#include "tst_generatelib.moc"
