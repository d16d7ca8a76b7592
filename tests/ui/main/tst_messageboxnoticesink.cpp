#include "MessageBoxNoticeSink.h"
#include "MessageBoxRecorder.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QObject>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(NoticeKind)

class MessageBoxNoticeSinkTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void showsModalBoxOverOwner_data();
    void showsModalBoxOverOwner();
    void copyBracketSetsAndRestoresBusyCursor();
};

void MessageBoxNoticeSinkTest::initTestCase()
{
    QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
}

void MessageBoxNoticeSinkTest::cleanup()
{
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void MessageBoxNoticeSinkTest::showsModalBoxOverOwner_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<NoticeKind>("kind");
    QTest::addColumn<QMessageBox::Icon>("icon");

    QTest::newRow("success") << u"Lib文件生成成功！！"_s << u"Ovrix祝贺您！"_s << NoticeKind::Information
                             << QMessageBox::Information;
    QTest::newRow("wrong file") << u"请重新打开正确的文件"_s << u"文件不符"_s << NoticeKind::Warning
                                << QMessageBox::Warning;
}

void MessageBoxNoticeSinkTest::showsModalBoxOverOwner()
{
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(NoticeKind, kind);
    QFETCH(QMessageBox::Icon, icon);

    QWidget owner;
    owner.setObjectName(u"owner"_s);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    MessageBoxNoticeSink sink(&owner);
    MessageBoxRecorder recorder;

    sink.ShowNotice(text, title, kind);

    QCOMPARE(recorder.boxes().size(), 1);
    const RecordedMessageBox &box = recorder.boxes().constFirst();
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, title);
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.buttonTexts, QStringList { u"确定"_s });
    QCOMPARE(box.ownerName, u"owner"_s);
    QVERIFY(box.modal);
    QVERIFY(!box.busyCursor);
}

void MessageBoxNoticeSinkTest::copyBracketSetsAndRestoresBusyCursor()
{
    QWidget owner;
    MessageBoxNoticeSink sink(&owner);

    sink.CopyStarted();
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    sink.CopyFinished();
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(MessageBoxNoticeSinkTest)
#include "tst_messageboxnoticesink.moc"
