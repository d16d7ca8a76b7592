#include "Form2.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QPushButton *okButton(Form2 *form)
{
    return form->findChild<QPushButton *>(u"Command1"_s);
}

// Everything a user could tell apart: each control's kind, place and text, and the rendered window.
QStringList describe(Form2 *form)
{
    QStringList description;
    description << u"%1 %2x%3"_s.arg(form->windowTitle()).arg(form->width()).arg(form->height());
    for (const QWidget *child : form->findChildren<QWidget *>()) {
        QString text;
        if (auto *label = qobject_cast<const QLabel *>(child))
            text = label->text();
        else if (auto *button = qobject_cast<const QPushButton *>(child))
            text = button->text();
        const QRect g = child->geometry();
        description << u"%1 %2 %3,%4 %5x%6 %7"_s
                           .arg(child->objectName(), QString::fromLatin1(child->metaObject()->className()))
                           .arg(g.x())
                           .arg(g.y())
                           .arg(g.width())
                           .arg(g.height())
                           .arg(text);
    }
    return description;
}

QStringList focusStops(Form2 *form)
{
    QStringList stops;
    QWidget *widget = form;
    do {
        if (widget != form && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus))
            stops << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != form);
    return stops;
}

} // namespace

class Form2Lifecycle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void okClosesAndDestroys_data();
    void okClosesAndDestroys();
    void onlyTheButtonTakesFocus();
    void clickingALabelChangesNothing();
    void freshWindowIsIdentical();
};

void Form2Lifecycle::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void Form2Lifecycle::okClosesAndDestroys_data()
{
    QTest::addColumn<bool>("byKeyboard");
    QTest::newRow("mouse") << false;
    QTest::newRow("space key") << true;
}

void Form2Lifecycle::okClosesAndDestroys()
{
    QFETCH(bool, byKeyboard);

    QPointer<Form2> form = new Form2;
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QPushButton *button = okButton(form);
    QVERIFY(button);
    if (byKeyboard) {
        QCOMPARE(QApplication::focusWidget(), button);
        QTest::keyClick(button, Qt::Key_Space);
    } else {
        QTest::mouseClick(button, Qt::LeftButton);
    }
    if (form)
        QVERIFY(!form->isVisible());
    QTRY_VERIFY(form.isNull());
}

void Form2Lifecycle::onlyTheButtonTakesFocus()
{
    Form2 form;
    QCOMPARE(focusStops(&form), QStringList { u"Command1"_s });

    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QPushButton *button = okButton(&form);
    QCOMPARE(QApplication::focusWidget(), button);
    QTest::keyClick(&form, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button);
    QTest::keyClick(&form, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), button);
    // Enter is not Space: without a default button it must not close the window.
    QTest::keyClick(button, Qt::Key_Return);
    QVERIFY(form.isVisible());
}

void Form2Lifecycle::clickingALabelChangesNothing()
{
    Form2 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QImage before = form.grab().toImage();
    for (QLabel *label : form.findChildren<QLabel *>()) {
        QTest::mouseClick(label, Qt::LeftButton);
        QTest::mouseDClick(label, Qt::LeftButton);
    }
    QVERIFY(form.isVisible());
    QCOMPARE(QApplication::focusWidget(), okButton(&form));
    QCOMPARE(form.grab().toImage(), before);
}

void Form2Lifecycle::freshWindowIsIdentical()
{
    QPointer<Form2> first = new Form2;
    first->show();
    QVERIFY(QTest::qWaitForWindowActive(first));
    const QStringList firstDescription = describe(first);
    const QImage firstImage = first->grab().toImage();
    QTest::mouseClick(okButton(first), Qt::LeftButton);
    QTRY_VERIFY(first.isNull());

    QPointer<Form2> second = new Form2;
    second->show();
    QVERIFY(QTest::qWaitForWindowActive(second));
    QCOMPARE(describe(second), firstDescription);
    QCOMPARE(second->grab().toImage(), firstImage);
    delete second;
}

QTEST_MAIN(Form2Lifecycle)
#include "tst_form2lifecycle.moc"
