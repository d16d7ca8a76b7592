#include "Form1.h"
#include "GameFiles.h"
#include "ModalWidgets.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 HeaderLength = 294912;
constexpr qint64 Missing = -1;

// Types key by key; a character without a key of its own comes as an input method would send it.
void Type(QLineEdit *field, const QString &text)
{
    field->setFocus();
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(field, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

} // namespace

class GenerateClicksTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance())); }
    void cleanup()
    {
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void withoutDestinationDoesNothing_data();
    void withoutDestinationDoesNothing();
    void typedPaths_data();
    void typedPaths();

private:
    void click(Form1 &form)
    {
        QTest::mouseClick(form.findChild<QPushButton *>(u"Command2"_s), Qt::LeftButton);
    }
};

void GenerateClicksTest::withoutDestinationDoesNothing_data()
{
    QTest::addColumn<bool>("typeSource");

    QTest::newRow("at start") << false;
    QTest::newRow("source typed") << true;
}

void GenerateClicksTest::withoutDestinationDoesNothing()
{
    QFETCH(bool, typeSource);
    QTemporaryDir folder;
    QVERIFY(WriteFile(folder.filePath(u"game.gam"_s), RandomBytes(HeaderLength + 8)));
    Form1 form;
    form.show();
    if (typeSource)
        Type(form.findChild<QLineEdit *>(u"open_Text"_s), folder.filePath(u"game.gam"_s));
    MessageBoxRecorder recorder;

    click(form);

    QVERIFY(recorder.boxes.isEmpty());
    QCOMPARE(Entries(folder.path()), QStringList { u"game.gam"_s });
}

void GenerateClicksTest::typedPaths_data()
{
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<qint64>("sourceLength");
    QTest::addColumn<QString>("destinationName");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text"); // empty for the error report, checked line by line

    QTest::newRow("one byte of data")
        << u"game.gam"_s << HeaderLength + 1 << u"game.lib"_s << QMessageBox::Information
        << u"Ovrix祝贺您！"_s << u"Lib文件生成成功！！"_s;
    QTest::newRow("chinese names") << u"仙剑奇侠传.gam"_s << HeaderLength + 70000 << u"仙剑奇侠传.lib"_s
                                   << QMessageBox::Information << u"Ovrix祝贺您！"_s
                                   << u"Lib文件生成成功！！"_s;
    QTest::newRow("only the header") << u"short.gam"_s << HeaderLength << u"short.lib"_s
                                     << QMessageBox::Warning << u"文件不符"_s << u"请重新打开正确的文件"_s;
    QTest::newRow("missing source") << u"不存在.gam"_s << Missing << u"out.lib"_s << QMessageBox::Critical
                                    << u"错误"_s << QString();
}

void GenerateClicksTest::typedPaths()
{
    QFETCH(QString, sourceName);
    QFETCH(qint64, sourceLength);
    QFETCH(QString, destinationName);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QTemporaryDir folder;
    const QString source = folder.filePath(sourceName);
    const QString destination = folder.filePath(destinationName);
    if (sourceLength != Missing)
        QVERIFY(WriteFile(source, RandomBytes(sourceLength)));
    Form1 form;
    form.show();
    auto *openText = form.findChild<QLineEdit *>(u"open_Text"_s);
    auto *saveText = form.findChild<QLineEdit *>(u"save_Text"_s);
    Type(openText, source);
    Type(saveText, destination);
    QCOMPARE(openText->text(), source);
    QCOMPARE(saveText->text(), destination);
    MessageBoxRecorder recorder;

    click(form);

    QCOMPARE(recorder.boxes.size(), 1);
    const SeenBox &box = recorder.boxes.constFirst();
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.title, title);
    QCOMPARE(box.buttons, QStringList { u"确定"_s });
    QCOMPARE(box.owner, &form);
    QVERIFY(!box.busyCursor);
    if (icon == QMessageBox::Information) {
        QCOMPARE(box.text, text);
        QCOMPARE(ReadFile(destination), ReadFile(source).mid(HeaderLength));
    } else if (icon == QMessageBox::Warning) {
        QCOMPARE(box.text, text);
        QVERIFY(!QFile::exists(destination));
    } else {
        const QStringList lines = box.text.split(u'\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(0).startsWith(u"无法"_s) && lines.at(0).endsWith(source), qPrintable(box.text));
        QVERIFY2(lines.at(1).size() > u"原因："_s.size(), qPrintable(box.text));
        QVERIFY(!QFile::exists(destination));
    }
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(openText->text(), source);
    QCOMPARE(saveText->text(), destination);

    // The window takes the next request as well: with a good source in place, a second click succeeds.
    const QByteArray game = RandomBytes(HeaderLength + 100);
    QVERIFY(WriteFile(source, game));
    click(form);
    QCOMPARE(recorder.boxes.size(), 2);
    QCOMPARE(recorder.boxes.at(1).text, u"Lib文件生成成功！！"_s);
    QCOMPARE(ReadFile(destination), game.mid(HeaderLength));
}

QTEST_MAIN(GenerateClicksTest)
#include "tst_generateclicks.moc"
