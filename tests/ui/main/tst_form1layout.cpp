#include "Form1.h"
#include "ProgramIcon.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class Form1LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance())); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void window();
    void controls_data();
    void controls();
    void focus();
};

void Form1LayoutTest::window()
{
    Form1 form;

    QCOMPARE(form.objectName(), u"Form1"_s);
    QCOMPARE(form.windowTitle(), u"Tessaly"_s);
    QCOMPARE(form.minimumSize(), QSize(312, 206));
    QCOMPARE(form.maximumSize(), QSize(312, 206));
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.windowIcon().pixmap(32).toImage(), ProgramIcon().pixmap(32).toImage());
}

void Form1LayoutTest::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");

    // Pixels at 15 twips each, worked out by hand from the design.
    QTest::newRow("Frame1") << u"QGroupBox"_s << u"Form1"_s << u"原文件"_s << QRect(8, 8, 289, 65);
    QTest::newRow("open_comm") << u"QPushButton"_s << u"Frame1"_s << u"打开"_s << QRect(8, 24, 65, 25);
    QTest::newRow("open_Text") << u"QLineEdit"_s << u"Frame1"_s << QString() << QRect(88, 24, 185, 25);
    QTest::newRow("Frame2") << u"QGroupBox"_s << u"Form1"_s << u"目标文件"_s << QRect(8, 88, 289, 65);
    QTest::newRow("save_comm") << u"QPushButton"_s << u"Frame2"_s << u"保存在..."_s << QRect(8, 24, 65, 25);
    QTest::newRow("save_Text") << u"QLineEdit"_s << u"Frame2"_s << QString() << QRect(88, 24, 185, 25);
    QTest::newRow("Command2") << u"QPushButton"_s << u"Form1"_s << u"生成"_s << QRect(48, 168, 57, 25);
    QTest::newRow("Command3") << u"QPushButton"_s << u"Form1"_s << u"关于"_s << QRect(120, 168, 57, 25);
    QTest::newRow("Command4") << u"QPushButton"_s << u"Form1"_s << u"拜拜"_s << QRect(192, 168, 57, 25);
}

void Form1LayoutTest::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QList<QWidget *> matches = form.findChildren<QWidget *>(QString::fromUtf8(QTest::currentDataTag()));
    QCOMPARE(matches.size(), 1);
    QWidget *widget = matches.constFirst();
    QVERIFY2(widget->inherits(kind.toLatin1().constData()), widget->metaObject()->className());
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QString shown;
    if (const auto *box = qobject_cast<QGroupBox *>(widget))
        shown = box->title();
    else if (const auto *button = qobject_cast<QPushButton *>(widget))
        shown = button->text();
    else
        shown = qobject_cast<QLineEdit *>(widget)->text();
    QCOMPARE(shown, caption);
    QCOMPARE(widget->geometry(), geometry);
    QVERIFY(widget->isVisible());
}

void Form1LayoutTest::focus()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    // The group boxes take no focus, so Tab passes over them.
    QStringList visited { QApplication::focusWidget()->objectName() };
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    const QStringList expected { u"open_comm"_s, u"open_Text"_s, u"save_comm"_s, u"save_Text"_s,
        u"Command2"_s, u"Command3"_s, u"Command4"_s, u"open_comm"_s };
    QCOMPARE(visited, expected);

    // A default button would be clicked by Return in a path field.
    for (const QPushButton *button : form.findChildren<QPushButton *>())
        QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
}

QTEST_MAIN(Form1LayoutTest)
#include "tst_form1layout.moc"
