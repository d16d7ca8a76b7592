#include "Form2.h"
#include "MainWindow.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QLabel>
#include <QMetaEnum>

using namespace Qt::StringLiterals;

namespace {

QList<QWidget *> AboutWindows()
{
    QList<QWidget *> shown;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<Form2 *>(widget) && widget->isVisible())
            shown.append(widget);
    return shown;
}

// Role and name of an accessible object and all it holds, as a screen reader goes through them.
void ReadOut(QAccessibleInterface *node, int depth, QStringList &read)
{
    read.append(QString(depth, u' ')
        + QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role())) + u' '
        + node->text(QAccessible::Name));
    for (int i = 0; i < node->childCount(); ++i)
        ReadOut(node->child(i), depth + 1, read);
}

} // namespace

// The two windows as a person sees them and moves through them: what they show, where Tab goes, and how
// the About window comes and goes.
class WindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The windows are drawn for a face this narrow; the texts would not fit wider ones.
        QVERIFY2(QFontDatabase::hasFamily(u"WenQuanYi Micro Hei"_s), "fonts-wqy-microhei is not installed");
    }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void looks_data()
    {
        QTest::addColumn<bool>("about");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Qt::WindowFlags>("frame"); // what its title bar offers, if it has one
        // What a screen reader reads: the window, then what is in it, one space deeper each level.
        QTest::addColumn<QStringList>("heard");

        QTest::newRow("main") << false << u"Tessaly"_s << QSize(312, 206)
                              << (Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                     | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
                              << QStringList { u"Window Tessaly"_s, u" Grouping 原文件"_s, u"  Button 打开"_s,
                                     u"  EditableText 原文件"_s, u" Grouping 目标文件"_s,
                                     u"  Button 保存在..."_s, u"  EditableText 目标文件"_s, u" Button 生成"_s,
                                     u" Button 关于"_s, u" Button 拜拜"_s };
        QTest::newRow("About")
            << true << u"Form2"_s << QSize(336, 235) << Qt::WindowFlags(Qt::FramelessWindowHint)
            << QStringList { u"Window 关于"_s, u" Button OK!~"_s, u" StaticText 程序设计：Ovrix(Brelune)"_s,
                   u" StaticText Tessaly"_s, u" StaticText qq:10000"_s,
                   u" StaticText E-mail: ovrix@example.com    交个朋友可以吧~~"_s,
                   u" StaticText 大家多多提意见啊！！"_s,
                   u" StaticText 声明：本程序用于学习编程所用，引起的任何法律纠纷，作者一律不负法律责任，请大家使用本软件在24小时内删除。"_s,
                   u" StaticText 7·1纪念"_s, u" StaticText 希望大家都支持步步高！！！"_s,
                   u" StaticText http://example.com"_s };
    }
    // The icon as drawn, every text in full, inside its parent and clear of its neighbours and of the
    // lines; no maximise button on a window of fixed size, no frame at all on the About window. Also run at
    // twice the scale.
    void looks()
    {
        QFETCH(bool, about);
        QFETCH(QString, title);
        QFETCH(QSize, size);
        QFETCH(Qt::WindowFlags, frame);
        QFETCH(QStringList, heard);
        MainWindow main;
        QVERIFY(!about || main.click(u"关于"_s));
        const QWidget *window = about ? AboutWindows().value(0, &main.form) : &main.form;
        QCOMPARE(window->windowTitle(), title);
        QCOMPARE(window->minimumSize(), size);
        QCOMPARE(window->maximumSize(), size);
        QCOMPARE(window->windowFlags()
                & (Qt::FramelessWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                    | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
            frame);
        for (const int side : { 16, 32 }) {
            const QImage icon = window->windowIcon().pixmap(QSize(side, side), 1.0).toImage();
            QCOMPARE(icon,
                QImage(QStringLiteral(TESSALY_RESOURCES_DIR "/icon/tessaly-%1.xpm").arg(side))
                    .convertToFormat(icon.format()));
        }

        QStringList shown;
        QList<std::pair<const QWidget *, QRect>> taken; // by parent
        for (const QWidget *control : window->findChildren<QWidget *>()) {
            const auto *label = qobject_cast<const QLabel *>(control);
            const QString text
                = control->property(control->inherits("QGroupBox") ? "title" : "text").toString();
            // A label may reach past the window's edge, its text may not.
            const QRect area = label ? label->fontMetrics().boundingRect(
                                   QRect(label->pos(), QSize(label->width(), QWIDGETSIZE_MAX)),
                                   int(label->alignment()) | Qt::TextWordWrap, text)
                                     : control->geometry();
            const QRect inside = control->geometry() & control->parentWidget()->contentsRect();
            const QByteArray name = control->objectName().toUtf8();
            QVERIFY2(inside.contains(area), name.constData());
            QVERIFY2(label || control->fontMetrics().horizontalAdvance(text) <= control->width() - 8,
                name.constData());
            for (const auto &[parent, other] : taken)
                QVERIFY2(parent != control->parentWidget() || !other.intersects(area), name.constData());
            taken.append({ control->parentWidget(), area });
            if (!text.isEmpty())
                shown.append(text);
        }
        // Every caption, title and label is on show; a field shows what is typed into it.
        QStringList texts;
        for (const QString &line : heard) {
            const QString role = line.trimmed().section(u' ', 0, 0);
            if (role == u"Grouping"_s || role == u"Button"_s || role == u"StaticText"_s)
                texts.append(line.trimmed().section(u' ', 1));
        }
        shown.sort();
        texts.sort();
        QCOMPARE(shown, texts);
    }

    // From 打开 in reading order.
    void tabOrder()
    {
        MainWindow main;
        QVERIFY(QTest::qWaitForWindowActive(&main.form));
        const QList<QWidget *> order { main.button(u"打开"_s), main.field(u"原文件"_s),
            main.button(u"保存在..."_s), main.field(u"目标文件"_s), main.button(u"生成"_s),
            main.button(u"关于"_s), main.button(u"拜拜"_s), main.button(u"打开"_s) };
        QList<QWidget *> visited { QApplication::focusWidget() };
        while (visited.size() < order.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget());
        }
        QCOMPARE(visited, order);
    }

    void enterClicksTheFocusedButton_data()
    {
        QTest::addColumn<QString>("focus"); // a button's caption, or the title of a field's group
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("clicked");

        QTest::newRow("关于") << u"关于"_s << int(Qt::Key_Return) << QStringList { u"关于"_s };
        QTest::newRow("OK!~, keypad") << u"OK!~"_s << int(Qt::Key_Enter) << QStringList { u"OK!~"_s };
        QTest::newRow("field") << u"原文件"_s << int(Qt::Key_Return) << QStringList {};
        QTest::newRow("field, keypad") << u"目标文件"_s << int(Qt::Key_Enter) << QStringList {};
    }
    // As on Windows, with both windows open; there is no default button, so Enter in a field clicks none.
    void enterClicksTheFocusedButton()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QStringList, clicked);
        MainWindow main;
        QVERIFY(main.click(u"关于"_s));
        QWidget *target = main.field(focus);
        QStringList seen;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            for (QPushButton *button : window->findChildren<QPushButton *>()) {
                connect(
                    button, &QPushButton::clicked, button, [&seen, button] { seen.append(button->text()); });
                if (button->text() == focus)
                    target = button;
            }
        }
        QVERIFY(target);
        target->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(target->window()));
        target->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(seen, clicked);
    }

    void heard_data() { looks_data(); }
    // What a screen reader reads out: each window as a window with a name a listener understands, every
    // control by what it shows (a field by its group's title), and nothing for the lines.
    void heard()
    {
        QFETCH(bool, about);
        QFETCH(QStringList, heard);
        MainWindow main;
        QVERIFY(!about || main.click(u"关于"_s));
        QStringList read;
        ReadOut(QAccessible::queryAccessibleInterface(about ? AboutWindows().value(0) : &main.form), 0, read);
        QCOMPARE(read, heard);
    }

    // 关于 keeps to one About window and brings it to the front, where OK!~ has the focus to close it.
    void aboutComesToFront()
    {
        MainWindow main;
        QVERIFY(main.click(u"关于"_s));
        const QList<QWidget *> about = AboutWindows();
        QCOMPARE(about.size(), 1);
        QVERIFY(QTest::qWaitForWindowActive(about.constFirst()));
        main.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main.form));
        QVERIFY(main.click(u"关于"_s));
        QCOMPARE(AboutWindows(), about);
        QVERIFY(QTest::qWaitForWindowActive(about.constFirst()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTRY_VERIFY(AboutWindows().isEmpty());
    }
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
