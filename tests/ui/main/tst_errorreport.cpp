#include "ErrorReport.h"
#include "FileError.h"
#include "MessageBoxRecorder.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QObject>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FileError::Operation)
Q_DECLARE_METATYPE(FileError::Role)

class ErrorReportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void showsWhatFailedAndWhy_data();
    void showsWhatFailedAndWhy();
};

void ErrorReportTest::initTestCase()
{
    QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
}

void ErrorReportTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void ErrorReportTest::showsWhatFailedAndWhy_data()
{
    QTest::addColumn<FileError::Operation>("operation");
    QTest::addColumn<FileError::Role>("role");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("open source") << FileError::Operation::Open << FileError::Role::Source
                                 << u"/游戏/仙剑.gam"_s << u"No such file or directory"_s;
    QTest::newRow("write destination") << FileError::Operation::Write << FileError::Role::Destination
                                       << u"/满/仙剑.lib"_s << u"No space left on device"_s;
    QTest::newRow("empty path") << FileError::Operation::Open << FileError::Role::Source << QString()
                                << u"No file name specified"_s;
}

void ErrorReportTest::showsWhatFailedAndWhy()
{
    QFETCH(FileError::Operation, operation);
    QFETCH(FileError::Role, role);
    QFETCH(QString, path);
    QFETCH(QString, reason);
    const FileError error(operation, role, path, reason);

    QWidget owner;
    owner.setObjectName(u"owner"_s);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    MessageBoxRecorder recorder;

    ShowErrorReport(&owner, error);

    QCOMPARE(recorder.boxes().size(), 1);
    const RecordedMessageBox &box = recorder.boxes().constFirst();
    QCOMPARE(box.title, u"错误"_s);
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttonTexts, QStringList { u"确定"_s });
    QCOMPARE(box.ownerName, u"owner"_s);
    QVERIFY(box.modal);
    const QStringList lines = box.text.split(u'\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), error.summary());
    QVERIFY(lines.at(0).endsWith(path));
    QVERIFY(lines.at(1).contains(reason));
}

QTEST_MAIN(ErrorReportTest)
#include "tst_errorreport.moc"
