#include "Form1.h"
#include "Form2.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

void Click(QWidget *window, const QString &name)
{
    QTest::mouseClick(window->findChild<QPushButton *>(name), Qt::LeftButton);
}

QList<Form2 *> AboutWindows()
{
    QList<Form2 *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *about = qobject_cast<Form2 *>(widget))
            windows.append(about);
    }
    return windows;
}

// Runs QApplication::exec() with `steps` queued in it; a guard ends the loop with 99 should the steps fail
// to. Only exec() will run again after an earlier exit(): a nested QEventLoop would return at once.
int Exec(QObject *context, const std::function<void()> &steps)
{
    QTimer::singleShot(50, context, steps);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(20000);
    return QApplication::exec();
}

} // namespace

class AboutInterplayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance())); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void aboutShowsOneWindowAtATime();
    void byeEndsEventLoop();
    void closingMainWindowLeavesAboutWindowRunning();
};

void AboutInterplayTest::aboutShowsOneWindowAtATime()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    Click(&form, u"Command3"_s);
    QCOMPARE(AboutWindows().size(), 1);
    QPointer<Form2> first = AboutWindows().constFirst();
    QVERIFY(QTest::qWaitForWindowActive(first));

    // A second click brings the same window back to the front.
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    Click(&form, u"Command3"_s);
    QCOMPARE(AboutWindows(), QList<Form2 *> { first.data() });
    QVERIFY(QTest::qWaitForWindowActive(first));

    // Once closed, the next click makes a fresh one.
    Click(first, u"Command1"_s);
    QTRY_VERIFY(first.isNull());
    QVERIFY(form.isVisible());
    Click(&form, u"Command3"_s);
    QCOMPARE(AboutWindows().size(), 1);
    QVERIFY(AboutWindows().constFirst()->isVisible());
}

void AboutInterplayTest::byeEndsEventLoop()
{
    auto form = std::make_unique<Form1>();
    form->show();
    QPointer<Form2> about;

    const int exitCode = Exec(form.get(), [&] {
        Click(form.get(), u"Command3"_s);
        about = AboutWindows().value(0);
        Click(form.get(), u"Command4"_s);
    });

    QCOMPARE(exitCode, 0);
    QVERIFY(about && about->isVisible());
    form.reset();
    QVERIFY(about.isNull());
}

void AboutInterplayTest::closingMainWindowLeavesAboutWindowRunning()
{
    Form1 form;
    form.show();
    QPointer<Form2> about;
    bool aboutShownAfterClose = false;

    const int exitCode = Exec(&form, [&] {
        Click(&form, u"Command3"_s);
        about = AboutWindows().value(0);
        QVERIFY(form.close());
        // Reaching this step shows that the loop outlived the main window.
        QTimer::singleShot(50, &form, [&] {
            aboutShownAfterClose = about && about->isVisible();
            if (about)
                Click(about, u"Command1"_s);
        });
    });

    QCOMPARE(exitCode, 0);
    QVERIFY(aboutShownAfterClose);
    QTRY_VERIFY(about.isNull());
}

QTEST_MAIN(AboutInterplayTest)
#include "tst_aboutinterplay.moc"
