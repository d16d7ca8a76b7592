#include "ProgramIcon.h"

#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QSize>
#include <QTest>
#include <QtEndian>

namespace {

bool isBlueish(const QColor &colour)
{
    return colour.blue() > colour.red() + 60 && colour.blue() > colour.green() + 40;
}

bool isLightGrey(const QColor &colour)
{
    const int low = qMin(colour.red(), qMin(colour.green(), colour.blue()));
    const int high = qMax(colour.red(), qMax(colour.green(), colour.blue()));
    return high - low <= 16 && low >= 160 && high <= 235;
}

} // namespace

class ProgramIconTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void image_data();
    void image();
};

void ProgramIconTest::cleanup()
{
    QVERIFY(QGuiApplication::topLevelWindows().isEmpty());
}

void ProgramIconTest::image_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::newRow("16x16") << 0 << 16;
    QTest::newRow("32x32") << 1 << 32;
}

void ProgramIconTest::image()
{
    QFETCH(int, index);
    QFETCH(int, size);
    const QIcon icon = ProgramIcon();
    QCOMPARE(icon.availableSizes(), (QList<QSize> { QSize(16, 16), QSize(32, 32) }));

    // The embedded .ico: its directory entry and the bitmap header both say 8 bits per pixel.
    QFile file(QStringLiteral(":/tessaly/tessaly.ico"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto word = [&bytes](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const qsizetype entry = 6 + 16 * index;
    QVERIFY(bytes.size() >= entry + 16);
    QCOMPARE(word(4), 2);
    QCOMPARE(int(quint8(bytes[entry])), size);
    QCOMPARE(int(quint8(bytes[entry + 1])), size);
    QCOMPARE(word(entry + 6), 8);
    const qsizetype header = qFromLittleEndian<quint32>(bytes.constData() + entry + 12);
    QVERIFY(bytes.size() >= header + 40);
    QCOMPARE(word(header + 14), 8);

    const QImage image = icon.pixmap(QSize(size, size)).toImage();
    QCOMPARE(image.size(), QSize(size, size));
    const int last = size - 1;
    for (const QPoint corner : { QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last) })
        QVERIFY(isBlueish(image.pixelColor(corner)));
    // The computer stands in the middle: its light grey case must be a clear share of the central quarter.
    int grey = 0;
    for (int y = size / 4; y < size * 3 / 4; ++y) {
        for (int x = size / 4; x < size * 3 / 4; ++x)
            grey += isLightGrey(image.pixelColor(x, y)) ? 1 : 0;
    }
    QVERIFY2(grey >= size * size / 32, qPrintable(QString::number(grey)));
}

QTEST_MAIN(ProgramIconTest)
#include "tst_programicon.moc"
