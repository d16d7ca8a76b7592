#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"
#include "Shell.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Success = u"Lib文件生成成功！！"_s;
const QString TooShort = u"请重新打开正确的文件"_s;
const QString SameFile = u"目标文件不能与原文件相同"_s;
const QString NotRegular = u"原文件不是普通文件"_s;
// The library holds the source from OFFSET on, and nothing else.
const QString LibraryIsTail = u"tail -c +$((OFFSET + 1)) \"$SRC\" | cmp -s - \"$DEST\""_s;

} // namespace

// The conversion as a caller sees it: what is written, which notice comes,
// and what a failure reports. How the destination is replaced has its own suite.
class TestGenerateLib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void generates_data();
    void generates();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestGenerateLib::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(WriteFile(path(u"game.gam"_s), RandomBytes(LibDataOffset + 4096)));
}

void TestGenerateLib::generates_data()
{
    QTest::addColumn<QString>("arrange");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    // The notice, or the error report (%1: the folder), or nothing at all.
    QTest::addColumn<QString>("expected");

    const QString none;
    const QString gam = u"仙剑 .gam"_s;
    const QString lib = u" 仙剑.lib"_s;
    QTest::newRow("one byte of data")
        << u"head -c $((OFFSET + 1)) /dev/urandom >\"$SRC\""_s << gam << lib << Success;
    QTest::newRow("a few MiB over a longer file")
        << u"head -c $((OFFSET + 3145745)) /dev/urandom >\"$SRC\" && head -c 5M /dev/zero >\"$DEST\""_s << gam
        << lib << Success;
    // The kernel will not copy from another file system; the portable loop takes over.
    QTest::newRow("source in memory") << u"[ -w /dev/shm ] || need /dev/shm; cp game.gam \"$SRC\""_s
                                      << u"/dev/shm/tessaly-test-source.gam"_s << lib << Success;
    // Data around the places where a 32-bit length or offset would wrap.
    QTest::newRow("3 GiB, sparse")
        << u"[ $(df -k --output=avail . | tail -n 1) -gt 4500000 ] || need 4.5 GiB free; truncate -s 3G "
           u"\"$SRC\" && "
           "for at in $OFFSET 2147483640 2147778552 3221225400; do "
           "printf 'marker at %s' $at | dd of=\"$SRC\" bs=1 seek=$at conv=notrunc status=none; done"_s
        << u"large.gam"_s << lib << Success;
    QTest::newRow("no destination") << none << u"missing.gam"_s << none << none;
    QTest::newRow("empty") << u": >\"$SRC\""_s << gam << lib << TooShort;
    QTest::newRow("header only, over an old library")
        << u"head -c $OFFSET /dev/zero >\"$SRC\" && echo old >\"$DEST\""_s << gam << lib << TooShort;
    QTest::newRow("FIFO") << u"mkfifo fifo"_s << u"fifo"_s << lib << NotRegular;
    QTest::newRow("folder") << u"mkdir folder"_s << u"folder"_s << lib << NotRegular;
    QTest::newRow("same path") << none << u"game.gam"_s << u"game.gam"_s << SameFile;
    QTest::newRow("other spelling") << u"mkdir sub"_s << u"game.gam"_s << u"sub//../game.gam"_s << SameFile;
    QTest::newRow("hard link") << u"ln game.gam link.lib"_s << u"game.gam"_s << u"link.lib"_s << SameFile;
    // The game is recognised even where it may not be written.
    QTest::newRow("read-only game") << u"chmod 400 game.gam"_s << u"game.gam"_s << u"game.gam"_s << SameFile;
    QTest::newRow("empty source path") << none << none << lib << u"无法打开原文件：\n原因：没有指定文件名"_s;
    QTest::newRow("missing source") << none << u"missing.gam"_s << lib
                                    << u"无法打开原文件：%1/missing.gam\n原因：文件或文件夹不存在"_s;
    // A bad destination is reported before the source is found too short.
    QTest::newRow("short source, missing folder")
        << u"echo short >\"$SRC\""_s << gam << u"no/x.lib"_s
        << u"无法打开目标文件：%1/no/x.lib\n原因：文件或文件夹不存在"_s;
    QTest::newRow("destination is a folder")
        << none << u"game.gam"_s << u"."_s << u"无法打开目标文件：%1/.\n原因：这是一个文件夹"_s;
}

void TestGenerateLib::generates()
{
    QFETCH(QString, arrange);
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, expected);
    const QString sourcePath = source.isEmpty() ? source : QDir(m_dir->path()).absoluteFilePath(source);
    const QString destinationPath = destination.isEmpty() ? destination : path(destination);
    const QStringList variables { u"SRC="_s + sourcePath, u"DEST="_s + destinationPath };
    const auto removeSource = qScopeGuard([&] {
        if (!source.isEmpty())
            QFile::remove(sourcePath);
    });
    if (const ShellRun arranged = RunShell(m_dir->path(), arrange, variables);
        arranged.exitCode == NeedsExitCode)
        QSKIP(qPrintable(arranged.out.trimmed()));
    else
        QVERIFY2(arranged.exitCode == 0, qPrintable(arranged.err));
    const auto before = Snapshot(m_dir->path());

    RecordingNoticeSink sink;
    bool libCompleteAtNotice = false;
    sink.onNotice = [&] {
        libCompleteAtNotice = sink.notices.last().text == Success
            && RunShell(m_dir->path(), LibraryIsTail, variables).exitCode == 0;
    };
    const GenerateResult result = GenerateLib(sourcePath, destinationPath, sink);

    if (expected.startsWith(u"无法"_s)) {
        QVERIFY(result.failed());
        QCOMPARE(result.error().message(), QString(expected).replace(u"%1"_s, m_dir->path()));
        QVERIFY(sink.notices.isEmpty());
    } else if (expected.isEmpty()) {
        QCOMPARE(result.outcome(), GenerateOutcome::NothingToDo);
        QVERIFY(sink.notices.isEmpty());
    } else {
        QVERIFY(!result.failed());
        QCOMPARE(sink.notices.size(), 1);
        QCOMPARE(sink.notices[0].text, expected);
        const bool made = expected == Success;
        QCOMPARE(result.outcome(), made ? GenerateOutcome::Generated : GenerateOutcome::Rejected);
        QCOMPARE(sink.notices[0].title, made ? u"Ovrix祝贺您！"_s : u"文件不符"_s);
        QCOMPARE(sink.notices[0].kind, made ? NoticeKind::Information : NoticeKind::Warning);
        if (made) {
            QVERIFY2(libCompleteAtNotice, "the notice came before the library was in place");
            QCOMPARE(sink.events, QStringList({ u"started"_s, u"finished"_s }));
            QCOMPARE(Entries(m_dir->path()).size(), before.size() + (before.contains(destination) ? 0 : 1));
            return;
        }
        QVERIFY(sink.events.isEmpty());
    }
    QCOMPARE(Snapshot(m_dir->path()), before);
}

QTEST_GUILESS_MAIN(TestGenerateLib)
#include "tst_generatelib.moc"
