#include "Twips.h"

#include <QTest>

// The one conversion every window position goes through.
class TwipsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toPixels_data();
    void toPixels();
    void rectAndPoint();
};

void TwipsTest::toPixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("one pixel") << 15 << 1;
    QTest::newRow("just under half") << 7 << 0;
    QTest::newRow("just over half") << 8 << 1;
    QTest::newRow("window width") << 5040 << 336;
    QTest::newRow("group box width") << 4335 << 289;
    QTest::newRow("rounded down") << 1807 << 120;
    QTest::newRow("rounded up") << 1808 << 121;
    QTest::newRow("negative") << -8 << -1;
    QTest::newRow("negative under half") << -7 << 0;
}

void TwipsTest::toPixels()
{
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(TwipsToPixels(twips), pixels);
}

void TwipsTest::rectAndPoint()
{
    QCOMPARE(TwipsRect(1800, 3000, 1215, 375), QRect(120, 200, 81, 25));
    QCOMPARE(TwipsPoint(4080, 3360), QPoint(272, 224));
    // Sizes are converted on their own, not as the difference of converted edges.
    QCOMPARE(TwipsRect(8, 0, 22, 0).width(), 1);
}

QTEST_MAIN(TwipsTest)
#include "tst_twips.moc"
