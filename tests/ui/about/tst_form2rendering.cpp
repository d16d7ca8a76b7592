#include "Form2.h"

#include <QApplication>
#include <QColor>
#include <QFontMetrics>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QTest>

using namespace Qt::StringLiterals;

// What the user actually sees: the lines' pixels, the labels cut at the window's edge, every text legible.
class Form2Rendering : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void linePixels_data();
    void linePixels();
    void labelsClippedAtWindowEdge_data();
    void labelsClippedAtWindowEdge();
    void oneLineLabelsFit_data();
    void oneLineLabelsFit();
    void disclaimerWrapsWithinItsRectangle();

private:
    Form2 *m_form = nullptr;
};

void Form2Rendering::init()
{
    m_form = new Form2;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void Form2Rendering::cleanup()
{
    delete m_form;
    m_form = nullptr;
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void Form2Rendering::linePixels_data()
{
    QTest::addColumn<int>("x1");
    QTest::addColumn<int>("x2");
    QTest::addColumn<int>("y");

    // Pixel coordinates of the window's lines: twips divided by 15.
    QTest::newRow("Line1") << 24 << 272 << 24;
    QTest::newRow("Line2") << 8 << 160 << 96;
    QTest::newRow("Line3") << 144 << 320 << 88;
    QTest::newRow("Line4") << 64 << 296 << 144;
    QTest::newRow("Line5") << 224 << 296 << 200;
    QTest::newRow("Line6") << 272 << 336 << 224;
}

void Form2Rendering::linePixels()
{
    QFETCH(int, x1);
    QFETCH(int, x2);
    QFETCH(int, y);

    const QImage image = m_form->grab().toImage();
    const QColor ink = m_form->palette().color(QPalette::WindowText);
    const QColor ground = m_form->palette().color(QPalette::Window);
    for (int x = x1; x < x2; ++x)
        QVERIFY2(image.pixelColor(x, y) == ink, qPrintable(u"no ink at (%1, %2)"_s.arg(x).arg(y)));
    const int middle = (x1 + x2) / 2;
    QCOMPARE(image.pixelColor(middle, y - 1), ground);
    QCOMPARE(image.pixelColor(middle, y + 1), ground);
    if (x1 > 0)
        QCOMPARE(image.pixelColor(x1 - 1, y), ground);
    if (x2 < image.width())
        QCOMPARE(image.pixelColor(x2, y), ground);
}

void Form2Rendering::labelsClippedAtWindowEdge_data()
{
    QTest::addColumn<QRect>("visible");

    // Label5 and Label8 reach past the right edge at x = 336; only the part inside is drawn.
    QTest::newRow("Label5") << QRect(0, 0, 336 - 208, 17);
    QTest::newRow("Label8") << QRect(0, 0, 336 - 176, 17);
    QTest::newRow("Label6") << QRect(0, 0, 217, 41);
}

void Form2Rendering::labelsClippedAtWindowEdge()
{
    QFETCH(QRect, visible);
    auto *label = m_form->findChild<QLabel *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(label);
    QCOMPARE(label->visibleRegion().boundingRect(), visible);
}

void Form2Rendering::oneLineLabelsFit_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
        { "Label1", "Label2", "Label3", "Label4", "Label5", "Label7", "Label8", "Label9" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void Form2Rendering::oneLineLabelsFit()
{
    QFETCH(QString, name);
    auto *label = m_form->findChild<QLabel *>(name);
    QVERIFY(label);
    const int visibleWidth = qMin(label->width(), m_form->width() - label->x());
    const QFontMetrics metrics(label->font());
    // A text that wrapped would lose its second line below the label's bottom edge.
    QVERIFY2(metrics.horizontalAdvance(label->text()) <= visibleWidth,
        qPrintable(u"%1 needs %2 px, has %3"_s.arg(label->text())
                       .arg(metrics.horizontalAdvance(label->text()))
                       .arg(visibleWidth)));
    QVERIFY(metrics.height() <= label->height());
}

void Form2Rendering::disclaimerWrapsWithinItsRectangle()
{
    auto *label = m_form->findChild<QLabel *>(u"Label6"_s);
    QVERIFY(label);
    const QFontMetrics metrics(label->font());
    const QRect needed = metrics.boundingRect(
        QRect(0, 0, label->width(), 1000), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
    QVERIFY(needed.width() <= label->width());
    const int lines = qRound(double(needed.height()) / metrics.lineSpacing());
    QVERIFY2(lines >= 2, "the disclaimer should span several lines");
    // Every line must show at least down to its baseline; only descenders of the last one may be cut.
    QVERIFY2((lines - 1) * metrics.lineSpacing() + metrics.ascent() <= label->height(),
        qPrintable(u"%1 lines of %2 px do not fit %3 px"_s.arg(lines)
                       .arg(metrics.lineSpacing())
                       .arg(label->height())));
}

QTEST_MAIN(Form2Rendering)
#include "tst_form2rendering.moc"
