#include "GameFiles.h"
#include "GenerateLib.h"
#include "RecordingNoticeSink.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr qint64 GiB = qint64(1) << 30;

struct Marker
{
    qint64 sourceOffset;
    QByteArray bytes;
};

// Data around the places where a 32-bit length or offset would wrap.
const QList<Marker> Markers {
    { LibDataOffset, "first library bytes" },
    { 2 * GiB - 8, "across the 2 GiB line" },
    { 2 * GiB + LibDataOffset - 4, "across 2 GiB in the library" },
    { 3 * GiB - 16, "the very end...." },
};

} // namespace

class TestLargeSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsSourceOverTwoGiB();
};

void TestLargeSource::convertsSourceOverTwoGiB()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (QStorageInfo(dir.path()).bytesAvailable() < 4 * GiB)
        QSKIP("needs 4 GiB of free disk space");

    const QString game = dir.filePath(QStringLiteral("large.gam"));
    {
        QFile file(game);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(3 * GiB));
        for (const Marker &marker : Markers) {
            QVERIFY(file.seek(marker.sourceOffset));
            QCOMPARE(file.write(marker.bytes), marker.bytes.size());
        }
    }
    const QString lib = dir.filePath(QStringLiteral("large.lib"));

    RecordingNoticeSink sink;
    const GenerateResult result = GenerateLib(game, lib, sink);

    QVERIFY(!result.failed());
    QCOMPARE(result.outcome(), GenerateOutcome::Generated);
    QCOMPARE(QFileInfo(lib).size(), 3 * GiB - LibDataOffset);
    QFile file(lib);
    QVERIFY(file.open(QIODevice::ReadOnly));
    for (const Marker &marker : Markers) {
        QVERIFY(file.seek(marker.sourceOffset - LibDataOffset));
        QCOMPARE(file.read(marker.bytes.size()), marker.bytes);
    }
    QVERIFY(file.seek(GiB));
    QCOMPARE(file.read(4), QByteArray(4, '\0'));
}

QTEST_GUILESS_MAIN(TestLargeSource)
#include "tst_largesource.moc"
