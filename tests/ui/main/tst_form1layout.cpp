#include "CommonDialog.h"
#include "Form1.h"
#include "ProgramIcon.h"
#include "QtChineseTranslation.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QRect>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString CaptionOf(const QWidget *widget)
{
    if (const auto *box = qobject_cast<const QGroupBox *>(widget))
        return box->title();
    if (const auto *button = qobject_cast<const QPushButton *>(widget))
        return button->text();
    if (const auto *field = qobject_cast<const QLineEdit *>(widget))
        return field->text();
    return u"<unexpected kind>"_s;
}

const QStringList ButtonNames { u"open_comm"_s, u"save_comm"_s, u"Command2"_s, u"Command3"_s, u"Command4"_s };

} // namespace

class Form1LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void window();
    void controls_data();
    void controls();
    void commonDialogIsAnObjectNotAWidget();
    void focusChainFollowsTabIndex();
    void tabKeyVisitsControlsInOrder();
    void startFocusIsOnOpenButton();
    void noDefaultButtons_data();
    void noDefaultButtons();
    void returnAndEscapeClickNothing();
};

void Form1LayoutTest::initTestCase()
{
    QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
}

void Form1LayoutTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void Form1LayoutTest::window()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.objectName(), u"Form1"_s);
    QCOMPARE(form.windowTitle(), u"Tessaly"_s);
    QVERIFY(form.isWindow());
    QVERIFY(!form.parentWidget());
    QVERIFY(!(form.windowFlags() & Qt::FramelessWindowHint));
    QCOMPARE(form.size(), QSize(312, 206));
    QCOMPARE(form.minimumSize(), QSize(312, 206));
    QCOMPARE(form.maximumSize(), QSize(312, 206));

    const QIcon icon = form.windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    QCOMPARE(icon.pixmap(QSize(32, 32)).toImage(), ProgramIcon().pixmap(QSize(32, 32)).toImage());
}

void Form1LayoutTest::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");

    // Pixels at 15 twips each, worked out by hand from the design.
    QTest::newRow("Frame1") << u"QGroupBox"_s << u"Form1"_s << u"原文件"_s << QRect(8, 8, 289, 65);
    QTest::newRow("open_comm") << u"QPushButton"_s << u"Frame1"_s << u"打开"_s << QRect(8, 24, 65, 25);
    QTest::newRow("open_Text") << u"QLineEdit"_s << u"Frame1"_s << QString() << QRect(88, 24, 185, 25);
    QTest::newRow("Frame2") << u"QGroupBox"_s << u"Form1"_s << u"目标文件"_s << QRect(8, 88, 289, 65);
    QTest::newRow("save_comm") << u"QPushButton"_s << u"Frame2"_s << u"保存在..."_s << QRect(8, 24, 65, 25);
    QTest::newRow("save_Text") << u"QLineEdit"_s << u"Frame2"_s << QString() << QRect(88, 24, 185, 25);
    QTest::newRow("Command2") << u"QPushButton"_s << u"Form1"_s << u"生成"_s << QRect(48, 168, 57, 25);
    QTest::newRow("Command3") << u"QPushButton"_s << u"Form1"_s << u"关于"_s << QRect(120, 168, 57, 25);
    QTest::newRow("Command4") << u"QPushButton"_s << u"Form1"_s << u"拜拜"_s << QRect(192, 168, 57, 25);
}

void Form1LayoutTest::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);

    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QString name = QString::fromUtf8(QTest::currentDataTag());
    const QList<QWidget *> matches = form.findChildren<QWidget *>(name);
    QCOMPARE(matches.size(), 1);
    QWidget *widget = matches.constFirst();
    QVERIFY2(widget->inherits(kind.toLatin1().constData()), widget->metaObject()->className());
    QVERIFY(widget->parentWidget());
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(CaptionOf(widget), caption);
    QCOMPARE(widget->geometry(), geometry);
    QVERIFY(widget->isVisible());
    QVERIFY(widget->isEnabled());
    if (const auto *field = qobject_cast<QLineEdit *>(widget))
        QVERIFY(!field->isReadOnly());
}

void Form1LayoutTest::commonDialogIsAnObjectNotAWidget()
{
    Form1 form;

    const QList<CommonDialog *> dialogs = form.findChildren<CommonDialog *>();
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs.constFirst()->objectName(), u"CommonDialog1"_s);
    QCOMPARE(dialogs.constFirst()->parent(), &form);
    QVERIFY(dialogs.constFirst()->fileName().isEmpty());
    QVERIFY(dialogs.constFirst()->state().title.isEmpty());
    QVERIFY(dialogs.constFirst()->state().filter.isEmpty());
}

void Form1LayoutTest::focusChainFollowsTabIndex()
{
    Form1 form;

    QStringList chain;
    for (QWidget *widget = form.nextInFocusChain(); widget && widget != &form;
         widget = widget->nextInFocusChain())
        chain.append(widget->objectName());
    const QStringList expected { u"Frame1"_s, u"open_comm"_s, u"open_Text"_s, u"Frame2"_s, u"save_comm"_s,
        u"save_Text"_s, u"Command2"_s, u"Command3"_s, u"Command4"_s };
    QCOMPARE(chain, expected);
}

void Form1LayoutTest::tabKeyVisitsControlsInOrder()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget()->objectName(), u"open_comm"_s);

    // The group boxes are in the chain but take no focus, so Tab passes over them.
    QStringList forward;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward.append(QApplication::focusWidget()->objectName());
    }
    const QStringList expectedForward { u"open_Text"_s, u"save_comm"_s, u"save_Text"_s, u"Command2"_s,
        u"Command3"_s, u"Command4"_s, u"open_comm"_s };
    QCOMPARE(forward, expectedForward);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"Command4"_s);
}

void Form1LayoutTest::startFocusIsOnOpenButton()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QVERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), u"open_comm"_s);
    QVERIFY(form.findChild<QPushButton *>(u"open_comm"_s)->hasFocus());
}

void Form1LayoutTest::noDefaultButtons_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : ButtonNames)
        QTest::newRow(qPrintable(name)) << name;
}

void Form1LayoutTest::noDefaultButtons()
{
    QFETCH(QString, name);

    Form1 form;
    const auto *button = form.findChild<QPushButton *>(name);
    QVERIFY(button);
    QVERIFY(!button->isDefault());
    QVERIFY(!button->autoDefault());
}

void Form1LayoutTest::returnAndEscapeClickNothing()
{
    // With a usable source and destination typed in, a default button would write a library on Return and a
    // cancel button would react to Escape.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString source = folder.filePath(u"game.gam"_s);
    const QString destination = folder.filePath(u"game.lib"_s);
    {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(294912 + 16, 'x')), qint64(294912 + 16));
    }

    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const QString &name : ButtonNames)
        spies.push_back(
            std::make_unique<QSignalSpy>(form.findChild<QPushButton *>(name), &QPushButton::clicked));

    auto *openText = form.findChild<QLineEdit *>(u"open_Text"_s);
    auto *saveText = form.findChild<QLineEdit *>(u"save_Text"_s);
    openText->setText(source);
    saveText->setText(destination);
    for (QWidget *widget : { static_cast<QWidget *>(openText), static_cast<QWidget *>(saveText) }) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);
        QTest::keyClick(widget, Qt::Key_Enter);
        QTest::keyClick(widget, Qt::Key_Escape);
    }

    for (const auto &spy : spies)
        QCOMPARE(spy->count(), 0);
    QVERIFY(!QFile::exists(destination));
    QVERIFY(form.isVisible());
}

QTEST_MAIN(Form1LayoutTest)
#include "tst_form1layout.moc"
