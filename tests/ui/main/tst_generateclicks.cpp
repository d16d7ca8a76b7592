#include "Form1.h"
#include "GameFiles.h"
#include "MessageBoxRecorder.h"
#include "QtChineseTranslation.h"
#include "TypeText.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 HeaderLength = 294912;

// Drives the window as a user would: typed paths, clicked buttons.
class MainWindow
{
public:
    MainWindow()
    {
        form.show();
        form.activateWindow();
    }

    QLineEdit *openText() { return form.findChild<QLineEdit *>(u"open_Text"_s); }
    QLineEdit *saveText() { return form.findChild<QLineEdit *>(u"save_Text"_s); }

    void type(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        TypeText(field, text);
    }

    void generate() { QTest::mouseClick(form.findChild<QPushButton *>(u"Command2"_s), Qt::LeftButton); }

    Form1 form;
};

} // namespace

class GenerateClicksTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void generateWithoutDestinationDoesNothing_data();
    void generateWithoutDestinationDoesNothing();
    void typedPathsGenerateLibrary_data();
    void typedPathsGenerateLibrary();
    void secondClickWritesSameLibrary();
    void rejectedSourceGivesWarning_data();
    void rejectedSourceGivesWarning();
    void failureGivesErrorReportAndWindowGoesOn_data();
    void failureGivesErrorReportAndWindowGoesOn();
};

void GenerateClicksTest::initTestCase()
{
    QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
}

void GenerateClicksTest::cleanup()
{
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void GenerateClicksTest::generateWithoutDestinationDoesNothing_data()
{
    QTest::addColumn<bool>("typeSource");

    QTest::newRow("at start") << false;
    QTest::newRow("source typed") << true;
}

void GenerateClicksTest::generateWithoutDestinationDoesNothing()
{
    QFETCH(bool, typeSource);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString source = folder.filePath(u"game.gam"_s);
    QVERIFY(WriteFile(source, RandomBytes(HeaderLength + 8)));

    MainWindow window;
    if (typeSource)
        window.type(window.openText(), source);
    MessageBoxRecorder recorder;

    window.generate();

    QVERIFY(recorder.boxes().isEmpty());
    QCOMPARE(
        QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList { u"game.gam"_s });
    QCOMPARE(window.openText()->text(), typeSource ? source : QString());
    QVERIFY(window.saveText()->text().isEmpty());
}

void GenerateClicksTest::typedPathsGenerateLibrary_data()
{
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QString>("destinationName");
    QTest::addColumn<qint64>("tailLength");

    QTest::newRow("one byte of data") << u"game.gam"_s << u"game.lib"_s << qint64(1);
    QTest::newRow("chinese names") << u"仙剑奇侠传.gam"_s << u"仙剑奇侠传.lib"_s << qint64(70000);
    QTest::newRow("names with blanks") << u"my game.gam"_s << u"my game.lib"_s << qint64(4096);
    QTest::newRow("destination without extension") << u"a.gam"_s << u"b"_s << qint64(300);
}

void GenerateClicksTest::typedPathsGenerateLibrary()
{
    QFETCH(QString, sourceName);
    QFETCH(QString, destinationName);
    QFETCH(qint64, tailLength);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString source = folder.filePath(sourceName);
    const QString destination = folder.filePath(destinationName);
    const QByteArray game = RandomBytes(HeaderLength + tailLength);
    QVERIFY(WriteFile(source, game));

    MainWindow window;
    window.type(window.openText(), source);
    window.type(window.saveText(), destination);
    QCOMPARE(window.openText()->text(), source);
    QCOMPARE(window.saveText()->text(), destination);
    MessageBoxRecorder recorder;

    window.generate();

    QCOMPARE(recorder.boxes().size(), 1);
    const RecordedMessageBox &box = recorder.boxes().constFirst();
    QCOMPARE(box.text, u"Lib文件生成成功！！"_s);
    QCOMPARE(box.title, u"Ovrix祝贺您！"_s);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttonTexts, QStringList { u"确定"_s });
    QCOMPARE(box.ownerName, u"Form1"_s);
    QVERIFY(box.modal);
    QVERIFY(!box.busyCursor);

    QCOMPARE(ReadFile(destination), game.mid(HeaderLength));
    QCOMPARE(window.openText()->text(), source);
    QCOMPARE(window.saveText()->text(), destination);
}

void GenerateClicksTest::secondClickWritesSameLibrary()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString source = folder.filePath(u"game.gam"_s);
    const QString destination = folder.filePath(u"game.lib"_s);
    const QByteArray game = RandomBytes(HeaderLength + 1000);
    QVERIFY(WriteFile(source, game));

    MainWindow window;
    window.type(window.openText(), source);
    window.type(window.saveText(), destination);
    MessageBoxRecorder recorder;

    window.generate();
    window.generate();

    QCOMPARE(recorder.boxes().size(), 2);
    QCOMPARE(recorder.boxes().at(1).text, u"Lib文件生成成功！！"_s);
    QCOMPARE(ReadFile(destination), game.mid(HeaderLength));
}

void GenerateClicksTest::rejectedSourceGivesWarning_data()
{
    QTest::addColumn<qint64>("sourceLength");
    QTest::addColumn<bool>("destinationIsSource");
    QTest::addColumn<QString>("text");

    QTest::newRow("exactly the header") << HeaderLength << false << u"请重新打开正确的文件"_s;
    QTest::newRow("empty file") << qint64(0) << false << u"请重新打开正确的文件"_s;
    QTest::newRow("a few bytes") << qint64(100) << false << u"请重新打开正确的文件"_s;
    QTest::newRow("destination is the source") << HeaderLength + 10 << true << u"目标文件不能与原文件相同"_s;
}

void GenerateClicksTest::rejectedSourceGivesWarning()
{
    QFETCH(qint64, sourceLength);
    QFETCH(bool, destinationIsSource);
    QFETCH(QString, text);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString source = folder.filePath(u"short.gam"_s);
    const QString destination = destinationIsSource ? source : folder.filePath(u"short.lib"_s);
    const QByteArray game = RandomBytes(sourceLength);
    QVERIFY(WriteFile(source, game));

    MainWindow window;
    window.type(window.openText(), source);
    window.type(window.saveText(), destination);
    MessageBoxRecorder recorder;

    window.generate();

    QCOMPARE(recorder.boxes().size(), 1);
    const RecordedMessageBox &box = recorder.boxes().constFirst();
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, u"文件不符"_s);
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttonTexts, QStringList { u"确定"_s });
    QCOMPARE(box.ownerName, u"Form1"_s);
    QVERIFY(!box.busyCursor);

    QCOMPARE(ReadFile(source), game);
    if (!destinationIsSource)
        QVERIFY(!QFile::exists(destination));
    QCOMPARE(window.openText()->text(), source);
    QCOMPARE(window.saveText()->text(), destination);
}

void GenerateClicksTest::failureGivesErrorReportAndWindowGoesOn_data()
{
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<bool>("sourceExists");
    QTest::addColumn<QString>("destinationName");
    QTest::addColumn<QString>("failedPath");

    QTest::newRow("missing source") << u"不存在.gam"_s << false << u"out.lib"_s << u"不存在.gam"_s;
    QTest::newRow("empty source") << QString() << false << u"out.lib"_s << QString();
    QTest::newRow("destination folder missing")
        << u"game.gam"_s << true << u"没有这个文件夹/out.lib"_s << u"没有这个文件夹/out.lib"_s;
}

void GenerateClicksTest::failureGivesErrorReportAndWindowGoesOn()
{
    QFETCH(QString, sourceName);
    QFETCH(bool, sourceExists);
    QFETCH(QString, destinationName);
    QFETCH(QString, failedPath);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString source = sourceName.isEmpty() ? QString() : folder.filePath(sourceName);
    const QString destination = folder.filePath(destinationName);
    const QString failed = failedPath.isEmpty() ? QString() : folder.filePath(failedPath);
    const QByteArray game = RandomBytes(HeaderLength + 64);
    if (sourceExists)
        QVERIFY(WriteFile(source, game));

    MainWindow window;
    window.type(window.openText(), source);
    window.type(window.saveText(), destination);
    MessageBoxRecorder recorder;

    window.generate();

    QCOMPARE(recorder.boxes().size(), 1);
    const RecordedMessageBox &report = recorder.boxes().constFirst();
    QCOMPARE(report.title, u"错误"_s);
    QCOMPARE(report.icon, QMessageBox::Critical);
    QCOMPARE(report.buttonTexts, QStringList { u"确定"_s });
    QCOMPARE(report.ownerName, u"Form1"_s);
    QVERIFY(report.modal);
    QVERIFY(!report.busyCursor);
    const QStringList lines = report.text.split(u'\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).startsWith(u"无法"_s), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(0).endsWith(u"："_s + failed), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(1).size() > u"原因："_s.size(), qPrintable(lines.at(1)));
    QVERIFY(!QFile::exists(destination));

    // The window is as it was and takes the next request.
    QVERIFY(window.form.isVisible());
    QVERIFY(window.form.isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(window.openText()->text(), source);
    QCOMPARE(window.saveText()->text(), destination);

    const QString goodSource = folder.filePath(u"good.gam"_s);
    QVERIFY(WriteFile(goodSource, game));
    QVERIFY(QDir().mkpath(QFileInfo(destination).absolutePath()));
    window.type(window.openText(), goodSource);
    window.generate();

    QCOMPARE(recorder.boxes().size(), 2);
    QCOMPARE(recorder.boxes().at(1).text, u"Lib文件生成成功！！"_s);
    QCOMPARE(ReadFile(destination), game.mid(HeaderLength));
}

QTEST_MAIN(GenerateClicksTest)
#include "tst_generateclicks.moc"
