#include "Form2.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// An oracle of its own, so that a fault in the window's unit conversion cannot hide itself.
int pixels(int twips)
{
    return qRound(twips / 15.0);
}

QRect pixelRect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

} // namespace

class Form2Tree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void window();
    void controls_data();
    void controls();
    void lines_data();
    void lines();
    void nothingElse();
};

void Form2Tree::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void Form2Tree::window()
{
    Form2 form;
    QCOMPARE(form.objectName(), u"Form2"_s);
    QCOMPARE(form.windowTitle(), u"Form2"_s);
    QVERIFY(form.isWindow());
    QCOMPARE(form.parentWidget(), nullptr);
    QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(form.windowModality(), Qt::NonModal);
    QVERIFY(form.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(form.size(), QSize(336, 235));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!form.windowIcon().isNull());
    const QList<QSize> iconSizes = form.windowIcon().availableSizes();
    QVERIFY2(iconSizes.contains(QSize(16, 16)), "the icon lacks its 16 × 16 image");
    QVERIFY2(iconSizes.contains(QSize(32, 32)), "the icon lacks its 32 × 32 image");
}

void Form2Tree::controls_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("Command1") << u"QPushButton"_s << u"OK!~"_s << pixelRect(1800, 3000, 1215, 375);
    QTest::newRow("Label1") << u"QLabel"_s << u"程序设计\uFF1AOvrix(Brelune)"_s
                            << pixelRect(120, 480, 3615, 255);
    QTest::newRow("Label2") << u"QLabel"_s << u"Tessaly"_s << pixelRect(480, 120, 3615, 255);
    QTest::newRow("Label3") << u"QLabel"_s << u"qq:10000"_s << pixelRect(120, 720, 3735, 255);
    QTest::newRow("Label4") << u"QLabel"_s << u"E-mail: ovrix@example.com    交个朋友可以吧~~"_s
                            << pixelRect(120, 960, 4215, 255);
    QTest::newRow("Label5") << u"QLabel"_s << u"大家多多提意见啊\uFF01\uFF01"_s
                            << pixelRect(3120, 1800, 2055, 255);
    QTest::newRow("Label6")
        << u"QLabel"_s
        << u"声明\uFF1A本程序用于学习编程所用，引起的任何法律纠纷，作者一律不负法律责任，请大家使用本软件在24小时内删除。"_s
        << pixelRect(1680, 2280, 3255, 615);
    QTest::newRow("Label7") << u"QLabel"_s << u"7\u00B71纪念"_s << pixelRect(3840, 3120, 1095, 255);
    QTest::newRow("Label8") << u"QLabel"_s << u"希望大家都支持步步高\uFF01\uFF01\uFF01"_s
                            << pixelRect(2640, 1440, 2535, 255);
    QTest::newRow("Label9") << u"QLabel"_s << u"http://example.com"_s << pixelRect(120, 1200, 2415, 255);
}

void Form2Tree::controls()
{
    QFETCH(QString, className);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);

    Form2 form;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto *control = form.findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->parentWidget(), &form);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
    QCOMPARE(control->geometry(), geometry);

    if (auto *button = qobject_cast<QPushButton *>(control)) {
        QCOMPARE(button->text(), text);
        QVERIFY(!button->autoDefault());
        QVERIFY(!button->isDefault());
        QVERIFY(button->focusPolicy() & Qt::TabFocus);
    } else {
        auto *label = qobject_cast<QLabel *>(control);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->wordWrap());
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QCOMPARE(label->textInteractionFlags(), Qt::NoTextInteraction);
        QCOMPARE(label->buddy(), nullptr);
        QVERIFY(label->alignment() & Qt::AlignTop);
        QVERIFY(label->alignment() & Qt::AlignLeft);
    }
}

void Form2Tree::lines_data()
{
    QTest::addColumn<int>("x1");
    QTest::addColumn<int>("y1");
    QTest::addColumn<int>("x2");
    QTest::addColumn<int>("y2");

    QTest::newRow("Line1") << 360 << 360 << 4080 << 360;
    QTest::newRow("Line2") << 120 << 1440 << 2400 << 1440;
    QTest::newRow("Line3") << 2160 << 1320 << 4800 << 1320;
    QTest::newRow("Line4") << 960 << 2160 << 4440 << 2160;
    QTest::newRow("Line5") << 3360 << 3000 << 4440 << 3000;
    QTest::newRow("Line6") << 4080 << 3360 << 5040 << 3360;
}

void Form2Tree::lines()
{
    QFETCH(int, x1);
    QFETCH(int, y1);
    QFETCH(int, x2);
    QFETCH(int, y2);

    Form2 form;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto *line = form.findChild<QFrame *>(name);
    QVERIFY2(line, qPrintable(name));
    QCOMPARE(line->parentWidget(), &form);
    QCOMPARE(line->frameShape(), QFrame::HLine);
    QCOMPARE(line->focusPolicy(), Qt::NoFocus);
    // One pixel high, from the start point up to (not including) the end point, as a line is drawn.
    QCOMPARE(line->geometry(), QRect(QPoint(pixels(x1), pixels(y1)), QPoint(pixels(x2) - 1, pixels(y2))));
}

void Form2Tree::nothingElse()
{
    Form2 form;
    QStringList names;
    for (const QWidget *child : form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        names << child->objectName();
    const QStringList expected { u"Command1"_s, u"Label1"_s, u"Label2"_s, u"Label3"_s, u"Label4"_s,
        u"Label5"_s, u"Label6"_s, u"Label7"_s, u"Label8"_s, u"Label9"_s, u"Line1"_s, u"Line2"_s, u"Line3"_s,
        u"Line4"_s, u"Line5"_s, u"Line6"_s };
    QCOMPARE(names, expected);
}

QTEST_MAIN(Form2Tree)
#include "tst_form2tree.moc"
