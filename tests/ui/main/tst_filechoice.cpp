#include "Form1.h"
#include "GameFiles.h"
#include "ModalWidgets.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList OpenFilters { u"步步高RPG文件 (*.gam)"_s };
const QStringList SaveFilters { u"步步高Lib文件 (*.lib)"_s };

struct MainWindow
{
    MainWindow() { form.show(); }
    QLineEdit *openText() { return form.findChild<QLineEdit *>(u"open_Text"_s); }
    QLineEdit *saveText() { return form.findChild<QLineEdit *>(u"save_Text"_s); }
    void chooseSource() { QTest::mouseClick(form.findChild<QPushButton *>(u"open_comm"_s), Qt::LeftButton); }
    void chooseDestination()
    {
        QTest::mouseClick(form.findChild<QPushButton *>(u"save_comm"_s), Qt::LeftButton);
    }

    Form1 form;
};

} // namespace

class FileChoiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void bothDialogsShareOneFileName();
    void saveCancelEmptiesDestination();
    void chosenPathTakenWhole_data();
    void chosenPathTakenWhole();

private:
    QString path(const QString &name) const { return QDir::toNativeSeparators(m_folder.filePath(name)); }

    QTemporaryDir m_folder;
};

void FileChoiceTest::initTestCase()
{
    QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(WriteFile(m_folder.filePath(u"a.gam"_s), "game"));
}

void FileChoiceTest::bothDialogsShareOneFileName()
{
    MainWindow window;
    FileDialogAnswerer files;
    files.answers = { QString(), path(u"a.gam"_s), path(u"a.lib"_s), QString() };

    window.chooseSource();
    QVERIFY(window.openText()->text().isEmpty());
    window.chooseSource();
    QCOMPARE(window.openText()->text(), path(u"a.gam"_s));
    // A typed path is no preset for the next dialog.
    window.openText()->setText(u"/somewhere/typed.gam"_s);
    window.chooseDestination();
    QCOMPARE(window.saveText()->text(), path(u"a.lib"_s));
    // The open dialog comes up on the destination just chosen, and its cancel copies that name over.
    window.chooseSource();
    QCOMPARE(window.openText()->text(), path(u"a.lib"_s));
    QCOMPARE(window.saveText()->text(), path(u"a.lib"_s));

    QCOMPARE(files.unexpected, 0);
    QCOMPARE(files.seen.size(), 4);
    for (int i : { 0, 1, 3 }) {
        QCOMPARE(files.seen.at(i).title, u"打开RPG文件"_s);
        QCOMPARE(files.seen.at(i).nameFilters, OpenFilters);
        QCOMPARE(files.seen.at(i).mode, QFileDialog::AcceptOpen);
    }
    QCOMPARE(files.seen.at(2).title, u"生成Lib地址..."_s);
    QCOMPARE(files.seen.at(2).nameFilters, SaveFilters);
    QCOMPARE(files.seen.at(2).mode, QFileDialog::AcceptSave);
    const QStringList presets { QString(), QString(), QString(), u"a.lib"_s };
    for (int i = 0; i < 4; ++i)
        QCOMPARE(files.seen.at(i).fileName, presets.at(i));
}

void FileChoiceTest::saveCancelEmptiesDestination()
{
    MainWindow window;
    FileDialogAnswerer files;
    files.answers = { path(u"a.gam"_s), QString(), path(u"first.lib"_s), QString() };

    window.chooseSource();
    window.saveText()->setText(u"/tmp/手输.lib"_s);
    window.chooseDestination();
    QVERIFY(window.saveText()->text().isEmpty());
    window.chooseDestination();
    QCOMPARE(window.saveText()->text(), path(u"first.lib"_s));
    window.chooseDestination();
    QVERIFY(window.saveText()->text().isEmpty());

    QCOMPARE(files.unexpected, 0);
    QCOMPARE(files.seen.size(), 4);
    for (int i = 1; i < 4; ++i)
        QVERIFY(files.seen.at(i).fileName.isEmpty());
}

void FileChoiceTest::chosenPathTakenWhole_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("name");

    const QString deep = QString(120, u'd') + u'/' + QString(60, u'深') + u'/' + QString(100, u'e') + u'/';
    QTest::newRow("long open path") << false << deep + u"长路径.gam"_s;
    QTest::newRow("long save path") << true << deep + u"长路径.lib"_s;
    QTest::newRow("no extension added") << true << u"b"_s;
}

void FileChoiceTest::chosenPathTakenWhole()
{
    QFETCH(bool, save);
    QFETCH(QString, name);
    const QString file = m_folder.filePath(name);
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    if (!save)
        QVERIFY(WriteFile(file, "x"));
    MainWindow window;
    FileDialogAnswerer files;
    files.answers = { file };

    save ? window.chooseDestination() : window.chooseSource();

    QCOMPARE(files.unexpected, 0);
    QCOMPARE((save ? window.saveText() : window.openText())->text(), QDir::toNativeSeparators(file));
}

QTEST_MAIN(FileChoiceTest)
#include "tst_filechoice.moc"
