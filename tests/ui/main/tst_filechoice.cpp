#include "FileDialogDriver.h"
#include "Form1.h"
#include "GameFiles.h"
#include "MessageBoxRecorder.h"
#include "QtChineseTranslation.h"
#include "TypeText.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 HeaderLength = 294912;

class MainWindow
{
public:
    MainWindow() { form.show(); }

    QLineEdit *openText() { return form.findChild<QLineEdit *>(u"open_Text"_s); }
    QLineEdit *saveText() { return form.findChild<QLineEdit *>(u"save_Text"_s); }
    void click(const QString &name)
    {
        QTest::mouseClick(form.findChild<QPushButton *>(name), Qt::LeftButton);
    }
    void chooseSource() { click(u"open_comm"_s); }
    void chooseDestination() { click(u"save_comm"_s); }

    Form1 form;
};

const QString OpenTitle = u"打开RPG文件"_s;
const QString SaveTitle = u"生成Lib地址..."_s;
const QStringList OpenFilters { u"步步高RPG文件 (*.gam)"_s };
const QStringList SaveFilters { u"步步高Lib文件 (*.lib)"_s };

} // namespace

class FileChoiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void freshOpenCancelLeavesSourceEmpty();
    void bothDialogsShareOneFileName();
    void saveCancelEmptiesDestination_data();
    void saveCancelEmptiesDestination();
    void openCancelAfterSaveCancelEmptiesSource();
    void saveAlwaysOpensWithEmptyName();
    void openPresetIsLastConfirmedNameNotTypedText();
    void saveAppendsNoExtension();
    void longPathsTakenWhole_data();
    void longPathsTakenWhole();
    void chosenPathsGenerateLibrary();

private:
    QString path(const QString &name) const { return QDir::toNativeSeparators(m_folder.filePath(name)); }

    QTemporaryDir m_folder;
};

void FileChoiceTest::initTestCase()
{
    QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(m_folder.isValid());
    QVERIFY(WriteFile(m_folder.filePath(u"a.gam"_s), QByteArray(HeaderLength + 10, 'g')));
}

void FileChoiceTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void FileChoiceTest::freshOpenCancelLeavesSourceEmpty()
{
    MainWindow window;
    FileDialogDriver driver;
    driver.cancel();

    window.chooseSource();

    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.unexpected(), 0);
    const SeenFileDialog &seen = driver.seen().constFirst();
    QCOMPARE(seen.title, OpenTitle);
    QCOMPARE(seen.nameFilters, OpenFilters);
    QCOMPARE(seen.acceptMode, QFileDialog::AcceptOpen);
    QCOMPARE(seen.ownerName, u"Form1"_s);
    QVERIFY(seen.modal);
    QVERIFY(seen.fileNameText.isEmpty());
    QVERIFY(window.openText()->text().isEmpty());
}

void FileChoiceTest::bothDialogsShareOneFileName()
{
    MainWindow window;
    FileDialogDriver driver;
    driver.confirm(path(u"a.gam"_s));
    driver.confirm(path(u"a.lib"_s));
    driver.cancel();

    window.chooseSource();
    QCOMPARE(window.openText()->text(), path(u"a.gam"_s));

    window.chooseDestination();
    QCOMPARE(window.saveText()->text(), path(u"a.lib"_s));
    QCOMPARE(window.openText()->text(), path(u"a.gam"_s));

    // The open dialog comes up on the destination just chosen, and its cancel copies that name over.
    window.chooseSource();
    QCOMPARE(window.openText()->text(), path(u"a.lib"_s));
    QCOMPARE(window.saveText()->text(), path(u"a.lib"_s));

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.seen().size(), 3);
    QCOMPARE(driver.seen().at(0).title, OpenTitle);
    QCOMPARE(driver.seen().at(1).title, SaveTitle);
    QCOMPARE(driver.seen().at(1).nameFilters, SaveFilters);
    QCOMPARE(driver.seen().at(1).acceptMode, QFileDialog::AcceptSave);
    QCOMPARE(driver.seen().at(1).ownerName, u"Form1"_s);
    QVERIFY(driver.seen().at(1).fileNameText.isEmpty());
    QCOMPARE(driver.seen().at(2).title, OpenTitle);
    QCOMPARE(driver.seen().at(2).nameFilters, OpenFilters);
    QCOMPARE(driver.seen().at(2).fileNameText, u"a.lib"_s);
    QCOMPARE(driver.seen().at(2).selectedFiles, QStringList { m_folder.filePath(u"a.lib"_s) });
}

void FileChoiceTest::saveCancelEmptiesDestination_data()
{
    QTest::addColumn<bool>("chooseFirst");
    QTest::addColumn<QString>("typed");

    QTest::newRow("empty") << false << QString();
    QTest::newRow("typed path") << false << u"/tmp/手输.lib"_s;
    QTest::newRow("blanks") << false << u"   "_s;
    QTest::newRow("chosen path") << true << QString();
}

void FileChoiceTest::saveCancelEmptiesDestination()
{
    QFETCH(bool, chooseFirst);
    QFETCH(QString, typed);
    MainWindow window;
    FileDialogDriver driver;
    if (chooseFirst) {
        driver.confirm(path(u"first.lib"_s));
        window.chooseDestination();
        QCOMPARE(window.saveText()->text(), path(u"first.lib"_s));
    }
    window.saveText()->setFocus();
    TypeText(window.saveText(), typed);
    driver.cancel();

    window.chooseDestination();

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.pending(), 0);
    QVERIFY(driver.seen().constLast().fileNameText.isEmpty());
    QVERIFY(window.saveText()->text().isEmpty());
}

void FileChoiceTest::openCancelAfterSaveCancelEmptiesSource()
{
    MainWindow window;
    FileDialogDriver driver;
    driver.confirm(path(u"a.gam"_s));
    driver.cancel();
    driver.cancel();

    window.chooseSource();
    window.chooseDestination();
    window.chooseSource();

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.seen().size(), 3);
    QVERIFY(driver.seen().at(2).fileNameText.isEmpty());
    QVERIFY(window.openText()->text().isEmpty());
    QVERIFY(window.saveText()->text().isEmpty());
}

void FileChoiceTest::saveAlwaysOpensWithEmptyName()
{
    MainWindow window;
    FileDialogDriver driver;
    driver.confirm(path(u"a.gam"_s));
    driver.confirm(path(u"x.lib"_s));
    driver.cancel();

    window.chooseSource();
    window.chooseDestination();
    window.chooseDestination();

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.seen().size(), 3);
    QVERIFY(driver.seen().at(1).fileNameText.isEmpty());
    QVERIFY(driver.seen().at(2).fileNameText.isEmpty());
    QVERIFY(window.saveText()->text().isEmpty());
}

void FileChoiceTest::openPresetIsLastConfirmedNameNotTypedText()
{
    MainWindow window;
    FileDialogDriver driver;
    driver.confirm(path(u"a.gam"_s));
    driver.cancel();

    window.chooseSource();
    window.openText()->setFocus();
    window.openText()->selectAll();
    TypeText(window.openText(), u"/somewhere/typed.gam"_s);
    window.chooseSource();

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.seen().size(), 2);
    QCOMPARE(driver.seen().at(1).fileNameText, u"a.gam"_s);
    QCOMPARE(driver.seen().at(1).selectedFiles, QStringList { m_folder.filePath(u"a.gam"_s) });
    QCOMPARE(window.openText()->text(), path(u"a.gam"_s));
}

void FileChoiceTest::saveAppendsNoExtension()
{
    MainWindow window;
    FileDialogDriver driver;
    driver.confirm(u"b"_s, m_folder.path());

    window.chooseDestination();

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(window.saveText()->text(), path(u"b"_s));
}

void FileChoiceTest::longPathsTakenWhole_data()
{
    QTest::addColumn<bool>("save");

    QTest::newRow("open") << false;
    QTest::newRow("save") << true;
}

void FileChoiceTest::longPathsTakenWhole()
{
    QFETCH(bool, save);
    const QString deep
        = m_folder.filePath(QString(120, u'd') + u'/' + QString(60, u'深') + u'/' + QString(100, u'e'));
    QVERIFY(QDir().mkpath(deep));
    const QString file = QDir(deep).filePath(save ? u"长路径.lib"_s : u"长路径.gam"_s);
    if (!save)
        QVERIFY(WriteFile(file, QByteArray(16, 'x')));
    QVERIFY(file.size() > 300);
    MainWindow window;
    FileDialogDriver driver;
    driver.confirm(file);

    if (save)
        window.chooseDestination();
    else
        window.chooseSource();

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE((save ? window.saveText() : window.openText())->text(), QDir::toNativeSeparators(file));
}

void FileChoiceTest::chosenPathsGenerateLibrary()
{
    const QByteArray game = QByteArray(HeaderLength, 'h') + QByteArray("library data");
    QVERIFY(WriteFile(m_folder.filePath(u"游戏.gam"_s), game));
    MainWindow window;
    FileDialogDriver driver;
    driver.confirm(path(u"游戏.gam"_s));
    driver.confirm(path(u"游戏.lib"_s));
    MessageBoxRecorder recorder;

    window.chooseSource();
    window.chooseDestination();
    window.click(u"Command2"_s);

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(recorder.boxes().size(), 1);
    QCOMPARE(recorder.boxes().constFirst().text, u"Lib文件生成成功！！"_s);
    QCOMPARE(ReadFile(m_folder.filePath(u"游戏.lib"_s)), QByteArray("library data"));
}

QTEST_MAIN(FileChoiceTest)
#include "tst_filechoice.moc"
