#include "ProgramIcon.h"

#include <QColor>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QTest>

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
    void offersBothSizes();
    void isOpaque_data();
    void isOpaque();
    void showsGreyComputerOnBlue_data();
    void showsGreyComputerOnBlue();
};

void ProgramIconTest::cleanup()
{
    QVERIFY(QGuiApplication::topLevelWindows().isEmpty());
}

void ProgramIconTest::offersBothSizes()
{
    const QIcon icon = ProgramIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(), (QList<QSize> { QSize(16, 16), QSize(32, 32) }));
}

void ProgramIconTest::isOpaque_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("16x16") << 16;
    QTest::newRow("32x32") << 32;
}

void ProgramIconTest::isOpaque()
{
    QFETCH(int, size);
    const QImage image = ProgramIcon().pixmap(QSize(size, size)).toImage();
    QCOMPARE(image.size(), QSize(size, size));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            QVERIFY2(
                image.pixelColor(x, y).alpha() == 255, qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
    }
}

void ProgramIconTest::showsGreyComputerOnBlue_data()
{
    isOpaque_data();
}

void ProgramIconTest::showsGreyComputerOnBlue()
{
    QFETCH(int, size);
    const QImage image = ProgramIcon().pixmap(QSize(size, size)).toImage();
    QCOMPARE(image.size(), QSize(size, size));

    const int last = size - 1;
    QVERIFY(isBlueish(image.pixelColor(0, 0)));
    QVERIFY(isBlueish(image.pixelColor(last, 0)));
    QVERIFY(isBlueish(image.pixelColor(0, last)));
    QVERIFY(isBlueish(image.pixelColor(last, last)));

    // The computer stands in the middle: its case must be a clear share of the central quarter.
    int grey = 0;
    for (int y = size / 4; y < size * 3 / 4; ++y) {
        for (int x = size / 4; x < size * 3 / 4; ++x)
            grey += isLightGrey(image.pixelColor(x, y)) ? 1 : 0;
    }
    QVERIFY2(grey >= size * size / 32, qPrintable(QString::number(grey)));
}

QTEST_MAIN(ProgramIconTest)
#include "tst_programicon.moc"
