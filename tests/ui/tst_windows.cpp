#include "GameFiles.h"
#include "GenerateLib.h"
#include "MainWindow.h"
#include "QtChineseTranslation.h"

#include <QAccessible>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QMetaEnum>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The windows on show with this title. None comes as a list without storage, as QList() is: Qt 6.4 compares
// two empty lists with memcmp unless neither has storage, and passes it the null pointer of the one without.
QList<QWidget *> Shown(const QString &title)
{
    QList<QWidget *> windows = QApplication::topLevelWidgets();
    windows.removeIf([&](QWidget *window) { return !window->isVisible() || window->windowTitle() != title; });
    return windows.isEmpty() ? QList<QWidget *>() : windows;
}

// Role and name of an accessible object and all it holds, as a screen reader goes through them.
QStringList ReadOut(QAccessibleInterface *node, int depth = 0)
{
    QStringList read { QString(depth, u' ')
        + QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role())) + u' '
        + node->text(QAccessible::Name) };
    for (int i = 0; i < node->childCount(); ++i)
        read += ReadOut(node->child(i), depth + 1);
    return read;
}

// While a test waits in a modal exec(), notes the visible modal window every 20 ms as a user takes it in, and
// answers it as a person would: a notice (icon, title, text, buttons; over the main window) with its first
// button, a file dialog (title, file types, open or save, the name it offers) with the next of `names` typed
// into its name field, or cancelled for an empty one. For as long as the timer lives.
std::unique_ptr<QTimer> AnswerModals(QStringList &seen, QStringList names = {})
{
    auto answer = [&seen, names]() mutable {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        auto *box = qobject_cast<QMessageBox *>(modal);
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        auto *name = modal->findChild<QLineEdit *>(u"fileNameEdit"_s);
        if (box && !box->buttons().isEmpty() && qobject_cast<Form1 *>(box->parentWidget())) {
            QStringList parts { QString::fromLatin1(
                                    QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon())),
                box->windowTitle(), box->text().replace(QRegularExpression(u"原因：.+"_s), u"原因：…"_s) };
            for (const QAbstractButton *button : box->buttons())
                parts.append(button->text());
            seen.append(parts.join(u'|'));
            QTest::mouseClick(box->buttons().constFirst(), Qt::LeftButton);
        } else if (dialog && name && !names.isEmpty()) {
            seen.append(u"%1|%2|%3|%4"_s.arg(dialog->windowTitle(), dialog->nameFilters().join(u";;"_s),
                dialog->acceptMode() == QFileDialog::AcceptSave ? u"save"_s : u"open"_s, name->text()));
            name->setText(names.takeFirst());
            // As its buttons do; QFileDialog keeps its own accept() protected.
            name->text().isEmpty() ? dialog->reject() : static_cast<QDialog *>(dialog)->accept();
        } else {
            seen.append(u"unanswered: "_s + modal->windowTitle());
            modal->hide();
        }
    };
    auto timer = std::make_unique<QTimer>();
    // Queued, so that the timer goes on while an answer waits in a window of its own, such as a file dialog's
    // question.
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), answer, Qt::QueuedConnection);
    timer->start(20);
    return timer;
}

} // namespace

// The two windows as a person sees them, moves through them and uses them: what they show and what a screen
// reader reads, where Tab and Enter go, how the About window comes and goes, how paths come into the fields
// (typed, through the file dialogs, or dropped there), and what 生成 then makes and says.
class WindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The windows are drawn for a face this narrow; the texts would not fit wider ones.
        QVERIFY2(QFontDatabase::hasFamily(u"WenQuanYi Micro Hei"_s), "fonts-wqy-microhei is not installed");
        QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
        // Qt's own dialog, the one shown on a desktop without a dialog of its own.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }
    void init()
    {
        m_main.emplace();
        QVERIFY(m_main->source && m_main->destination);
    }
    void cleanup()
    {
        m_main.reset();
        QVERIFY(!QGuiApplication::overrideCursor() && QApplication::topLevelWidgets().isEmpty());
    }

    void looks_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Qt::WindowFlags>("frame"); // what its title bar offers, if it has one
        // What a screen reader reads: the window, then what is in it, one space deeper each level.
        QTest::addColumn<QStringList>("heard");

        QTest::newRow("main") << u"Tessaly"_s << QSize(312, 206)
                              << (Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                     | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
                              << QStringList { u"Window Tessaly"_s, u" Grouping 原文件"_s, u"  Button 打开"_s,
                                     u"  EditableText 原文件"_s, u" Grouping 目标文件"_s,
                                     u"  Button 保存在..."_s, u"  EditableText 目标文件"_s, u" Button 生成"_s,
                                     u" Button 关于"_s, u" Button 拜拜"_s };
        QTest::newRow("About")
            << u"Form2"_s << QSize(336, 235) << Qt::WindowFlags(Qt::FramelessWindowHint)
            << QStringList { u"Window 关于"_s, u" Button OK!~"_s, u" StaticText 程序设计：Ovrix(Brelune)"_s,
                   u" StaticText Tessaly"_s, u" StaticText qq:10000"_s,
                   u" StaticText E-mail: ovrix@example.com    交个朋友可以吧~~"_s,
                   u" StaticText 大家多多提意见啊！！"_s,
                   u" StaticText 声明：本程序用于学习编程所用，引起的任何法律纠纷，作者一律不负法律责任，请大家使用本软件在24小时内删除。"_s,
                   u" StaticText 7·1纪念"_s, u" StaticText 希望大家都支持步步高！！！"_s,
                   u" StaticText http://example.com"_s };
    }
    // The icon as drawn, every text in full, inside its parent and clear of its neighbours and of the lines;
    // no maximise button on a window of fixed size, no frame at all on the About window. What a screen reader
    // reads out: each window as a window with a name a listener understands, every control by what it shows
    // (a field by its group's title), and nothing for the lines. Tab goes through the controls in that
    // order, from the first, and round again. Also run at twice the scale.
    void looks()
    {
        QFETCH(QString, title);
        QFETCH(QSize, size);
        QFETCH(Qt::WindowFlags, frame);
        QFETCH(QStringList, heard);
        // The About window comes with 关于, and in front.
        QVERIFY(!Shown(title).isEmpty() || m_main->click(u"关于"_s));
        QWidget *window = Shown(title).value(0);
        QVERIFY(window);
        QCOMPARE(window->minimumSize(), size);
        QCOMPARE(window->maximumSize(), size);
        QCOMPARE(window->windowFlags() & ~Qt::WindowType_Mask, frame);
        for (const int side : { 16, 32 }) {
            const QImage icon = window->windowIcon().pixmap(QSize(side, side), 1.0).toImage();
            const QImage drawn(QStringLiteral(TESSALY_RESOURCES_DIR "/icon/tessaly-%1.xpm").arg(side));
            QCOMPARE(
                icon.convertToFormat(QImage::Format_ARGB32), drawn.convertToFormat(QImage::Format_ARGB32));
        }

        QStringList shown;
        QMultiHash<const QWidget *, QRect> taken; // by parent
        for (const QWidget *child : window->findChildren<QWidget *>()) {
            const auto *label = qobject_cast<const QLabel *>(child);
            const QString text = child->property(child->inherits("QGroupBox") ? "title" : "text").toString();
            // A label may reach past the window's edge, its text may not.
            const QRect area = label ? label->fontMetrics().boundingRect(
                                   QRect(label->pos(), QSize(label->width(), QWIDGETSIZE_MAX)),
                                   int(label->alignment()) | Qt::TextWordWrap, text)
                                     : child->geometry();
            const QWidget *parent = child->parentWidget();
            const QByteArray name = child->objectName().toUtf8();
            QVERIFY2((child->geometry() & parent->contentsRect()).contains(area), name.constData());
            QVERIFY2(label || child->fontMetrics().horizontalAdvance(text) <= child->width() - 8,
                name.constData());
            for (const QRect &other : taken.values(parent))
                QVERIFY2(!other.intersects(area), name.constData());
            taken.insert(parent, area);
            if (!text.isEmpty())
                shown.append(text);
        }
        // Every caption, title and label is on show, in the order heard; a field shows what is typed into it.
        const QRegularExpression onShow(u"^ +(Grouping|Button|StaticText) "_s);
        QCOMPARE(shown, heard.filter(onShow).replaceInStrings(onShow, QString()));
        QCOMPARE(ReadOut(QAccessible::queryAccessibleInterface(window)), heard);

        QVERIFY(QTest::qWaitForWindowActive(window));
        QStringList order = heard.filter(QRegularExpression(u"^ +(Button|EditableText) "_s));
        order.append(order.constFirst());
        QStringList visited;
        while (QApplication::focusWidget() && visited.size() < order.size()) {
            visited += ReadOut(QAccessible::queryAccessibleInterface(QApplication::focusWidget()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, order.replaceInStrings(QRegularExpression(u"^ +"_s), QString()));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus"); // a button's caption, or the title of a field's group
        QTest::addColumn<int>("key");
        // The window in front afterwards; none where the About window closes, as the system then chooses.
        QTest::addColumn<QString>("front");

        QTest::newRow("关于") << u"关于"_s << int(Qt::Key_Return) << u"Form2"_s;
        QTest::newRow("OK!~, keypad") << u"OK!~"_s << int(Qt::Key_Enter) << QString();
        QTest::newRow("field") << u"原文件"_s << int(Qt::Key_Return) << u"Tessaly"_s;
        QTest::newRow("field, keypad") << u"目标文件"_s << int(Qt::Key_Enter) << u"Tessaly"_s;
    }
    // As on Windows, with both windows open: Enter clicks the focused button, and none in a field, as there
    // is no default button. 关于 keeps to the one About window and brings it to the front; OK!~ closes it.
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, front);
        QVERIFY(m_main->click(u"关于"_s));
        const QList<QWidget *> about = Shown(u"Form2"_s);
        QCOMPARE(about.size(), 1);
        QWidget *target = m_main->field(focus);
        QStringList clicked;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            for (QPushButton *button : window->findChildren<QPushButton *>()) {
                connect(button, &QPushButton::clicked, button, [&, button] { clicked << button->text(); });
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
        QCOMPARE(clicked, qobject_cast<QPushButton *>(target) ? QStringList { focus } : QStringList());
        QTRY_COMPARE(Shown(u"Form2"_s), front.isEmpty() ? QList<QWidget *>() : about);
        QVERIFY(front.isEmpty() || QTest::qWaitForWindowActive(Shown(front).constFirst()));
    }

    void generate_data()
    {
        QTest::addColumn<int>("tail"); // bytes after the header; -1 for no game at all
        QTest::addColumn<QString>("libName");
        QTest::addColumn<QString>("notice"); // %1 and %2 stand for the paths, … for the system's reason

        const QString lib = u"game.lib"_s;
        QTest::newRow("a game") << 1 << lib << u"Information|Ovrix祝贺您！|Lib文件生成成功！！|确定"_s;
        QTest::newRow("only the header") << 0 << lib << u"Warning|文件不符|请重新打开正确的文件|确定"_s;
        QTest::newRow("no game") << -1 << lib << u"Critical|错误|无法打开原文件：%1\n原因：…|确定"_s;
        // As a dialog shows a name whose bytes are not UTF-8; taken as it is, it would name another file.
        QTest::newRow("undecoded name")
            << 1 << u"\uFFFD.lib"_s << u"Critical|错误|无法打开目标文件：%2\n原因：…|确定"_s;
    }
    void generate()
    {
        QFETCH(int, tail);
        QFETCH(QString, libName);
        QFETCH(QString, notice);
        QTemporaryDir folder;
        const QString game = folder.filePath(u"game.gam"_s);
        const QString lib = folder.filePath(libName);
        const QByteArray bytes = RandomBytes(LibDataOffset + qMax(tail, 0));
        QVERIFY(tail < 0 || WriteFile(game, bytes));
        // In one go, as an input method hands text over, so that any path can be typed.
        QTest::sendKeyEvent(QTest::Click, m_main->source, Qt::Key_unknown, game, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Click, m_main->destination, Qt::Key_unknown, lib, Qt::NoModifier);
        QStringList seen;
        const auto answerer = AnswerModals(seen);

        QVERIFY(m_main->click(u"生成"_s));

        QCOMPARE(seen, QStringList { notice.replace(u"%1"_s, game).replace(u"%2"_s, lib) });
        QCOMPARE(
            ReadFile(lib), notice.startsWith(u"Information"_s) ? bytes.mid(LibDataOffset) : QByteArray());
    }

    void dialogsShareOneFileName()
    {
        QTemporaryDir folder;
        const QString game = QDir::toNativeSeparators(folder.filePath(u"a.gam"_s));
        const QString lib = QDir::toNativeSeparators(folder.filePath(u"a.lib"_s));
        QVERIFY(WriteFile(game, "game"));
        // Each dialog takes the next answer.
        QStringList seen;
        const auto answerer = AnswerModals(seen, { game, lib, QString(), QString() });

        QVERIFY(m_main->click(u"打开"_s));
        QCOMPARE(m_main->source->text(), game);
        QVERIFY(m_main->click(u"保存在..."_s));
        QCOMPARE(m_main->destination->text(), lib);
        // Cancelled, the open dialog still hands over the name it shares: the library's.
        QVERIFY(m_main->click(u"打开"_s));
        QCOMPARE(m_main->source->text(), lib);
        // The save dialog forgets that name before it comes up, so cancelling it empties the field.
        QVERIFY(m_main->click(u"保存在..."_s));
        QCOMPARE(m_main->destination->text(), QString());

        const QString open = u"打开RPG文件|步步高RPG文件 (*.gam)|open|"_s;
        const QString save = u"生成Lib地址...|步步高Lib文件 (*.lib)|save|"_s;
        QCOMPARE(seen, (QStringList { open, save, open + u"a.lib"_s, save }));
    }

    void drop_data()
    {
        QTest::addColumn<QString>("target"); // a field by its group's title, or a button by its caption
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QStringList>("fields"); // afterwards, both at first "old"

        const QString path = u"/home/user/游戏/仙剑 1.gam"_s;
        const QUrl game = QUrl::fromLocalFile(path);
        const QString shown = QDir::toNativeSeparators(path);
        const QUrl web(u"https://example.com/game.gam"_s);
        const QString old = u"old"_s;
        QTest::newRow("a game") << u"原文件"_s << QList { game } << QStringList { shown, old };
        QTest::newRow("a link first") << u"目标文件"_s << QList { web, game } << QStringList { old, shown };
        QTest::newRow("a web link") << u"原文件"_s << QList { web } << QStringList { old, old };
        QTest::newRow("on a button") << u"生成"_s << QList { game } << QStringList { old, old };
    }
    // As from a file manager: the drag enters and moves over the target, and is dropped; taken all the way
    // exactly where a field changes, and refused as it enters elsewhere.
    void drop()
    {
        QFETCH(QString, target);
        QFETCH(QList<QUrl>, urls);
        QFETCH(QStringList, fields);
        QWidget *widget
            = m_main->field(target) ? static_cast<QWidget *>(m_main->field(target)) : m_main->button(target);
        QVERIFY(widget);
        m_main->source->setText(u"old"_s);
        m_main->destination->setText(u"old"_s);
        QMimeData data;
        data.setUrls(urls);
        const QPoint centre = widget->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Each only where the one before was taken.
        bool taken = true;
        for (QDropEvent *event : QList<QDropEvent *> { &enter, &move, &drop })
            taken = taken && (QApplication::sendEvent(widget, event), event->isAccepted());

        QCOMPARE((QStringList { m_main->source->text(), m_main->destination->text() }), fields);
        QCOMPARE(taken, fields != QStringList({ u"old"_s, u"old"_s }));
        QCOMPARE(enter.isAccepted(), taken);
    }

private:
    std::optional<MainWindow> m_main;
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
