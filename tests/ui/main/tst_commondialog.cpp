#include "CommonDialog.h"
#include "FileDialogDriver.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(DialogResult)

namespace {

bool CreateFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

} // namespace

class CommonDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startsEmpty();
    void dialogShowsTitleFilterAndMode_data();
    void dialogShowsTitleFilterAndMode();
    void emptyFilterLeavesQtDefault();
    void presetWithFileName();
    void emptyFileNameGivesNoPreset();
    void answerDecidesFileName_data();
    void answerDecidesFileName();
    void openInsistsOnExistingFile();
    void saveAsksBeforeReplacing();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<QWidget> m_owner;
};

void CommonDialogTest::initTestCase()
{
    QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(m_folder.isValid());
}

void CommonDialogTest::init()
{
    m_owner = std::make_unique<QWidget>();
    m_owner->setObjectName(u"owner"_s);
    m_owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
}

void CommonDialogTest::cleanup()
{
    m_owner.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void CommonDialogTest::startsEmpty()
{
    const CommonDialog dialog(m_owner.get());

    QCOMPARE(dialog.objectName(), u"CommonDialog1"_s);
    QCOMPARE(dialog.parent(), m_owner.get());
    QVERIFY(dialog.fileName().isEmpty());
    QVERIFY(dialog.state().title.isEmpty());
    QVERIFY(dialog.state().filter.isEmpty());
}

void CommonDialogTest::dialogShowsTitleFilterAndMode_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("nameFilters");

    QTest::newRow("open") << false << u"打开RPG文件"_s << u"步步高RPG文件|*.gam|"_s
                          << QStringList { u"步步高RPG文件 (*.gam)"_s };
    QTest::newRow("save") << true << u"生成Lib地址..."_s << u"步步高Lib文件|*.lib|"_s
                          << QStringList { u"步步高Lib文件 (*.lib)"_s };
    QTest::newRow("two pairs") << false << u"选"_s << u"游戏|*.gam|全部|*|"_s
                               << QStringList { u"游戏 (*.gam)"_s, u"全部 (*)"_s };
}

void CommonDialogTest::dialogShowsTitleFilterAndMode()
{
    QFETCH(bool, save);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QFETCH(QStringList, nameFilters);
    CommonDialog dialog(m_owner.get());
    dialog.setDialogTitle(title);
    dialog.setFilter(filter);
    FileDialogDriver driver;
    driver.cancel();

    QCOMPARE(save ? dialog.showSave() : dialog.showOpen(), DialogResult::Cancelled);

    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.unexpected(), 0);
    const SeenFileDialog &seen = driver.seen().constFirst();
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.nameFilters, nameFilters);
    QCOMPARE(seen.acceptMode, save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    QCOMPARE(seen.fileMode, save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QCOMPARE(seen.ownerName, u"owner"_s);
    QVERIFY(seen.modal);
    QVERIFY(seen.defaultSuffix.isEmpty());
    // Qt's own choices stay: the native dialog where there is one, and the question before replacing a file.
    QVERIFY(!seen.options.testFlag(QFileDialog::DontUseNativeDialog));
    QVERIFY(!seen.options.testFlag(QFileDialog::DontConfirmOverwrite));
}

void CommonDialogTest::emptyFilterLeavesQtDefault()
{
    CommonDialog dialog(m_owner.get());
    FileDialogDriver driver;
    driver.cancel();

    dialog.showOpen();

    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.seen().constFirst().nameFilters, QFileDialog().nameFilters());
    QVERIFY(driver.seen().constFirst().title.isEmpty());
}

void CommonDialogTest::presetWithFileName()
{
    const QString preset = m_folder.filePath(u"上次.gam"_s);
    QVERIFY(CreateFile(preset));
    CommonDialog dialog(m_owner.get());
    dialog.setFileName(QDir::toNativeSeparators(preset));
    FileDialogDriver driver;
    driver.cancel();

    dialog.showOpen();

    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.seen().constFirst().fileNameText, u"上次.gam"_s);
    QCOMPARE(driver.seen().constFirst().selectedFiles, QStringList { preset });
}

void CommonDialogTest::emptyFileNameGivesNoPreset()
{
    CommonDialog dialog(m_owner.get());
    FileDialogDriver driver;
    driver.cancel();

    dialog.showSave();

    QCOMPARE(driver.seen().size(), 1);
    QVERIFY(driver.seen().constFirst().fileNameText.isEmpty());
}

void CommonDialogTest::answerDecidesFileName_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<DialogResult>("result");
    QTest::addColumn<QString>("fileName");

    const QString existing = u"存在.gam"_s;
    QTest::newRow("open confirmed") << false << QString() << true << existing << DialogResult::Confirmed
                                    << existing;
    QTest::newRow("open cancelled keeps empty name")
        << false << QString() << false << QString() << DialogResult::Cancelled << QString();
    QTest::newRow("open cancelled keeps preset")
        << false << u"旧.lib"_s << false << QString() << DialogResult::Cancelled << u"旧.lib"_s;
    QTest::newRow("save confirmed") << true << QString() << true << u"新.lib"_s << DialogResult::Confirmed
                                    << u"新.lib"_s;
    QTest::newRow("save confirmed without extension")
        << true << QString() << true << u"b"_s << DialogResult::Confirmed << u"b"_s;
    QTest::newRow("save cancelled keeps preset")
        << true << u"旧.lib"_s << false << QString() << DialogResult::Cancelled << u"旧.lib"_s;
}

void CommonDialogTest::answerDecidesFileName()
{
    QFETCH(bool, save);
    QFETCH(QString, preset);
    QFETCH(bool, confirm);
    QFETCH(QString, typed);
    QFETCH(DialogResult, result);
    QFETCH(QString, fileName);
    QVERIFY(CreateFile(m_folder.filePath(u"存在.gam"_s)));
    QVERIFY(CreateFile(m_folder.filePath(u"旧.lib"_s)));
    CommonDialog dialog(m_owner.get());
    dialog.setFileName(preset.isEmpty() ? QString() : QDir::toNativeSeparators(m_folder.filePath(preset)));
    FileDialogDriver driver;
    if (confirm)
        driver.confirm(typed, m_folder.path());
    else
        driver.cancel();

    QCOMPARE(save ? dialog.showSave() : dialog.showOpen(), result);

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(dialog.fileName(),
        fileName.isEmpty() ? QString() : QDir::toNativeSeparators(m_folder.filePath(fileName)));
}

void CommonDialogTest::openInsistsOnExistingFile()
{
    CommonDialog dialog(m_owner.get());
    dialog.setFileName(u"keep"_s);
    FileDialogDriver driver;
    driver.confirm(m_folder.filePath(u"没有.gam"_s));

    QCOMPARE(dialog.showOpen(), DialogResult::Cancelled);

    // The dialog does not accept the missing file; the driver then gives up on it.
    QCOMPARE(driver.unexpected(), 1);
    QCOMPARE(dialog.fileName(), u"keep"_s);
}

void CommonDialogTest::saveAsksBeforeReplacing()
{
    const QString existing = m_folder.filePath(u"已有.lib"_s);
    QVERIFY(CreateFile(existing));
    CommonDialog dialog(m_owner.get());
    FileDialogDriver driver;
    driver.confirmReplacing(existing);

    QCOMPARE(dialog.showSave(), DialogResult::Confirmed);

    QCOMPARE(driver.questions().size(), 1);
    QVERIFY(driver.questions().constFirst().contains(u"已有.lib"_s));
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(dialog.fileName(), QDir::toNativeSeparators(existing));
}

QTEST_MAIN(CommonDialogTest)
#include "tst_commondialog.moc"
