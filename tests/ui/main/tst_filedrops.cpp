#include "Form1.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

struct DropOutcome
{
    bool enterAccepted = false;
    bool dropAccepted = false;
};

// What a file manager sends: enter, move, then drop, each at the widget's centre.
DropOutcome Drop(QWidget *target, QMimeData *data)
{
    const QPoint centre = target->rect().center();
    DropOutcome outcome;
    QDragEnterEvent enter(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    outcome.enterAccepted = enter.isAccepted();
    if (!outcome.enterAccepted)
        return outcome;
    QDragMoveEvent move(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(centre), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    outcome.dropAccepted = drop.isAccepted();
    return outcome;
}

} // namespace

class FileDropsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void dropOnPathField_data();
    void dropOnPathField();
    void dropElsewhereDoesNothing_data();
    void dropElsewhereDoesNothing();
};

void FileDropsTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void FileDropsTest::dropOnPathField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("accepted");

    const QUrl game = QUrl::fromLocalFile(u"/home/user/游戏/仙剑 1.gam"_s);
    const QUrl web(u"https://example.com/game.gam"_s);
    QTest::newRow("game on the source field")
        << u"open_Text"_s << QList<QUrl> { game } << u"/home/user/游戏/仙剑 1.gam"_s << true;
    QTest::newRow("file on the destination field")
        << u"save_Text"_s << QList<QUrl> { QUrl::fromLocalFile(u"/tmp/out.lib"_s) } << u"/tmp/out.lib"_s
        << true;
    QTest::newRow("several files: the first local one")
        << u"open_Text"_s << QList<QUrl> { web, game, QUrl::fromLocalFile(u"/b.gam"_s) }
        << u"/home/user/游戏/仙剑 1.gam"_s << true;
    QTest::newRow("a web link is refused") << u"open_Text"_s << QList<QUrl> { web } << u"old text"_s << false;
}

void FileDropsTest::dropOnPathField()
{
    QFETCH(QString, field);
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, expected);
    QFETCH(bool, accepted);

    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *target = form.findChild<QLineEdit *>(field);
    QVERIFY(target);
    target->setText(u"old text"_s);
    QMimeData data;
    data.setUrls(urls);

    const DropOutcome outcome = Drop(target, &data);

    QCOMPARE(outcome.enterAccepted, accepted);
    QCOMPARE(outcome.dropAccepted, accepted);
    QCOMPARE(target->text(), expected);
}

void FileDropsTest::dropElsewhereDoesNothing_data()
{
    QTest::addColumn<QString>("target");

    QTest::newRow("window") << u"Form1"_s;
    QTest::newRow("group box") << u"Frame1"_s;
    QTest::newRow("button") << u"Command2"_s;
    QTest::newRow("file button") << u"save_comm"_s;
}

void FileDropsTest::dropElsewhereDoesNothing()
{
    QFETCH(QString, target);

    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QWidget *widget = target == form.objectName() ? &form : form.findChild<QWidget *>(target);
    QVERIFY(widget);
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(u"/home/user/game.gam"_s) });

    const DropOutcome outcome = Drop(widget, &data);

    QVERIFY(!outcome.enterAccepted);
    QCOMPARE(form.findChild<QLineEdit *>(u"open_Text"_s)->text(), QString());
    QCOMPARE(form.findChild<QLineEdit *>(u"save_Text"_s)->text(), QString());
}

QTEST_MAIN(FileDropsTest)
#include "tst_filedrops.moc"
