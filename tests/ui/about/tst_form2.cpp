#include "Form2.h"
#include "ProgramIcon.h"

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QScopeGuard>
#include <QString>
#include <QTest>

using namespace Qt::StringLiterals;

class Form2Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    // First, so that its first window is the first one this process ever shows and closes.
    void freshWindowIsIdentical();
    void window();
    void controls_data();
    void controls();
    void okClosesAndDestroys_data();
    void okClosesAndDestroys();
};

void Form2Test::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void Form2Test::freshWindowIsIdentical()
{
    QPointer<Form2> form = new Form2;
    // A failing check must not leave its window behind for the next test to trip over.
    const auto guard = qScopeGuard([&] { delete form; });
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    const QImage firstImage = form->grab().toImage();
    QTest::mouseClick(form->findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
    QTRY_VERIFY(form.isNull());

    form = new Form2;
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(form->grab().toImage(), firstImage);
}

void Form2Test::window()
{
    Form2 form;
    QCOMPARE(form.windowTitle(), u"Form2"_s);
    QCOMPARE(form.parentWidget(), nullptr);
    QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(form.size(), QSize(336, 235));
    QCOMPARE(form.windowIcon().pixmap(32).toImage(), ProgramIcon().pixmap(32).toImage());
    QCOMPARE(form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly).size(), 16);
}

// Geometry in device-independent pixels; a line is a one-pixel strip from its start to its end point.
void Form2Test::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("Command1") << u"QPushButton"_s << QRect(120, 200, 81, 25) << u"OK!~"_s;
    QTest::newRow("Label1") << u"QLabel"_s << QRect(8, 32, 241, 17) << u"程序设计\uFF1AOvrix(Brelune)"_s;
    QTest::newRow("Label2") << u"QLabel"_s << QRect(32, 8, 241, 17) << u"Tessaly"_s;
    QTest::newRow("Label3") << u"QLabel"_s << QRect(8, 48, 249, 17) << u"qq:10000"_s;
    QTest::newRow("Label4") << u"QLabel"_s << QRect(8, 64, 281, 17)
                            << u"E-mail: ovrix@example.com    交个朋友可以吧~~"_s;
    QTest::newRow("Label5") << u"QLabel"_s << QRect(208, 120, 137, 17) << u"大家多多提意见啊\uFF01\uFF01"_s;
    QTest::newRow("Label6")
        << u"QLabel"_s << QRect(112, 152, 217, 41)
        << u"声明\uFF1A本程序用于学习编程所用，引起的任何法律纠纷，作者一律不负法律责任，请大家使用本软件在24小时内删除。"_s;
    QTest::newRow("Label7") << u"QLabel"_s << QRect(256, 208, 73, 17) << u"7\u00B71纪念"_s;
    QTest::newRow("Label8") << u"QLabel"_s << QRect(176, 96, 169, 17)
                            << u"希望大家都支持步步高\uFF01\uFF01\uFF01"_s;
    QTest::newRow("Label9") << u"QLabel"_s << QRect(8, 80, 161, 17) << u"http://example.com"_s;
    QTest::newRow("Line1") << u"QFrame"_s << QRect(24, 24, 248, 1) << QString();
    QTest::newRow("Line2") << u"QFrame"_s << QRect(8, 96, 152, 1) << QString();
    QTest::newRow("Line3") << u"QFrame"_s << QRect(144, 88, 176, 1) << QString();
    QTest::newRow("Line4") << u"QFrame"_s << QRect(64, 144, 232, 1) << QString();
    QTest::newRow("Line5") << u"QFrame"_s << QRect(224, 200, 72, 1) << QString();
    QTest::newRow("Line6") << u"QFrame"_s << QRect(272, 224, 64, 1) << QString();
}

void Form2Test::controls()
{
    QFETCH(QString, kind);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    Form2 form;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto *control = form.findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->parentWidget(), &form);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->focusPolicy() != Qt::NoFocus, name == u"Command1"_s);

    if (auto *button = qobject_cast<QPushButton *>(control)) {
        QCOMPARE(button->text(), text);
    } else if (auto *label = qobject_cast<QLabel *>(control)) {
        QCOMPARE(label->text(), text);
        QVERIFY(label->wordWrap());
    } else {
        // Drawn in ink exactly from the start point up to the end point, with the window's ground around it.
        const QImage image = form.grab().toImage();
        const QRgb ink = form.palette().color(QPalette::WindowText).rgb();
        const int y = geometry.y();
        for (int x = geometry.left() - 1; x <= geometry.right() + 1 && x < image.width(); ++x)
            QCOMPARE(image.pixel(x, y) == ink, x >= geometry.left() && x <= geometry.right());
        QVERIFY(image.pixel(geometry.center().x(), y - 1) != ink);
        QVERIFY(image.pixel(geometry.center().x(), y + 1) != ink);
    }
}

void Form2Test::okClosesAndDestroys_data()
{
    QTest::addColumn<Qt::Key>("before");
    QTest::addColumn<bool>("byMouse");
    QTest::newRow("mouse") << Qt::Key_unknown << true;
    QTest::newRow("space") << Qt::Key_unknown << false;
    // Tabbing keeps the focus on the only control that takes it.
    QTest::newRow("tab, space") << Qt::Key_Tab << false;
    QTest::newRow("backtab, space") << Qt::Key_Backtab << false;
}

void Form2Test::okClosesAndDestroys()
{
    QFETCH(Qt::Key, before);
    QFETCH(bool, byMouse);

    QPointer<Form2> form = new Form2;
    const auto guard = qScopeGuard([&] { delete form; });
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QPushButton *button = form->findChild<QPushButton *>(u"Command1"_s);
    QVERIFY(button);
    if (before != Qt::Key_unknown)
        QTest::keyClick(form, before);
    if (byMouse) {
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        QCOMPARE(QApplication::focusWidget(), button);
        QTest::keyClick(button, Qt::Key_Space);
    }
    if (form)
        QVERIFY(!form->isVisible());
    QTRY_VERIFY(form.isNull());
}

QTEST_MAIN(Form2Test)
#include "tst_form2.moc"
