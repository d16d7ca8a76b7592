#include "Form1.h"
#include "Form2.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// exec()'s result when a step went wrong and the guard had to end the loop.
constexpr int GuardExitCode = 99;
constexpr int GuardMilliseconds = 20000;
constexpr int StepMilliseconds = 50;

QPushButton *Button(QWidget *window, const QString &name)
{
    return window->findChild<QPushButton *>(name);
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

int VisibleTopLevelCount()
{
    int count = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        count += widget->isVisible() ? 1 : 0;
    return count;
}

// Ends a nested QApplication::exec() that the test's steps fail to end.
class ExecGuard
{
public:
    ExecGuard()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, qApp, [] { QCoreApplication::exit(GuardExitCode); });
        m_timer.start(GuardMilliseconds);
    }

private:
    QTimer m_timer;
};

} // namespace

class AboutInterplayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void aboutTwiceGivesOneWindowInFront();
    void aboutOkAboutGivesFreshWindow();
    void aboutWindowIsModelessAndOwnerless();
    void byeEndsEventLoop_data();
    void byeEndsEventLoop();
    void closingMainWindowEndsProgramWhenNoWindowIsLeft_data();
    void closingMainWindowEndsProgramWhenNoWindowIsLeft();
};

void AboutInterplayTest::initTestCase()
{
    QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
    QVERIFY(QApplication::quitOnLastWindowClosed());
}

void AboutInterplayTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void AboutInterplayTest::aboutTwiceGivesOneWindowInFront()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QTest::mouseClick(Button(&form, u"Command3"_s), Qt::LeftButton);
    QCOMPARE(AboutWindows().size(), 1);
    QPointer<Form2> first = AboutWindows().constFirst();
    QVERIFY(QTest::qWaitForWindowActive(first));

    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::mouseClick(Button(&form, u"Command3"_s), Qt::LeftButton);

    QCOMPARE(AboutWindows().size(), 1);
    QCOMPARE(AboutWindows().constFirst(), first.data());
    QVERIFY(first->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(first));
    QCOMPARE(QApplication::activeWindow(), first.data());
    QCOMPARE(VisibleTopLevelCount(), 2);
}

void AboutInterplayTest::aboutOkAboutGivesFreshWindow()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTest::mouseClick(Button(&form, u"Command3"_s), Qt::LeftButton);
    QCOMPARE(AboutWindows().size(), 1);
    QPointer<Form2> first = AboutWindows().constFirst();
    QVERIFY(QTest::qWaitForWindowExposed(first));

    QTest::mouseClick(Button(first, u"Command1"_s), Qt::LeftButton);
    QTRY_VERIFY(first.isNull());
    QVERIFY(AboutWindows().isEmpty());
    QVERIFY(form.isVisible());

    QTest::mouseClick(Button(&form, u"Command3"_s), Qt::LeftButton);
    QCOMPARE(AboutWindows().size(), 1);
    Form2 *second = AboutWindows().constFirst();
    QVERIFY(QTest::qWaitForWindowExposed(second));
    QVERIFY(second->isVisible());
    QCOMPARE(VisibleTopLevelCount(), 2);
}

void AboutInterplayTest::aboutWindowIsModelessAndOwnerless()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTest::mouseClick(Button(&form, u"Command3"_s), Qt::LeftButton);
    QCOMPARE(AboutWindows().size(), 1);
    Form2 *about = AboutWindows().constFirst();
    QVERIFY(!about->parentWidget());
    QVERIFY(!about->isModal());
    QVERIFY(!QApplication::activeModalWidget());

    // The main window keeps working beside it.
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *openText = form.findChild<QLineEdit *>(u"open_Text"_s);
    openText->setFocus();
    QTest::keyClicks(openText, u"abc"_s);
    QCOMPARE(openText->text(), u"abc"_s);
    QVERIFY(about->isVisible());
}

void AboutInterplayTest::byeEndsEventLoop_data()
{
    QTest::addColumn<bool>("aboutOpen");

    QTest::newRow("main window alone") << false;
    QTest::newRow("about window open") << true;
}

void AboutInterplayTest::byeEndsEventLoop()
{
    QFETCH(bool, aboutOpen);
    auto form = std::make_unique<Form1>();
    form->show();
    QPointer<Form2> about;
    bool aboutShownAtBye = false;

    QTimer::singleShot(StepMilliseconds, form.get(), [&] {
        if (aboutOpen) {
            QTest::mouseClick(Button(form.get(), u"Command3"_s), Qt::LeftButton);
            about = AboutWindows().value(0);
            aboutShownAtBye = about && about->isVisible();
        }
        QTest::mouseClick(Button(form.get(), u"Command4"_s), Qt::LeftButton);
    });
    ExecGuard guard;
    const int exitCode = QApplication::exec();

    QCOMPARE(exitCode, 0);
    QCOMPARE(aboutShownAtBye, aboutOpen);
    // The loop ended without closing anything; the windows go with the main window.
    QVERIFY(form->isVisible());
    form.reset();
    QVERIFY(about.isNull());
    QVERIFY(AboutWindows().isEmpty());
}

void AboutInterplayTest::closingMainWindowEndsProgramWhenNoWindowIsLeft_data()
{
    QTest::addColumn<bool>("aboutOpen");

    QTest::newRow("main window alone") << false;
    QTest::newRow("about window open") << true;
}

void AboutInterplayTest::closingMainWindowEndsProgramWhenNoWindowIsLeft()
{
    QFETCH(bool, aboutOpen);
    Form1 form;
    form.show();
    QPointer<Form2> about;
    bool runningAfterClose = false;
    bool aboutShownAfterClose = false;

    QTimer::singleShot(StepMilliseconds, &form, [&] {
        if (aboutOpen) {
            QTest::mouseClick(Button(&form, u"Command3"_s), Qt::LeftButton);
            about = AboutWindows().value(0);
        }
        QVERIFY(form.close());
        // Reaching the next step shows that the loop outlived the main window.
        QTimer::singleShot(StepMilliseconds, &form, [&] {
            runningAfterClose = true;
            aboutShownAfterClose = about && about->isVisible();
            if (about)
                QTest::mouseClick(Button(about, u"Command1"_s), Qt::LeftButton);
        });
    });
    ExecGuard guard;
    const int exitCode = QApplication::exec();

    QCOMPARE(exitCode, 0);
    QVERIFY(!form.isVisible());
    QCOMPARE(runningAfterClose, aboutOpen);
    QCOMPARE(aboutShownAfterClose, aboutOpen);
    QTRY_VERIFY(about.isNull());
}

QTEST_MAIN(AboutInterplayTest)
#include "tst_aboutinterplay.moc"
