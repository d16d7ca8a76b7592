#include "GameFiles.h"
#include "MainWindow.h"
#include "ModalWidgets.h"
#include "QtChineseTranslation.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

using namespace Qt::StringLiterals;

// How the paths come into the fields other than by typing: through the file dialogs, or dropped there.
class FileChoiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance()));
        // Qt's own dialog, the one shown on a desktop without a dialog of its own.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void dialogsShareOneFileName()
    {
        QTemporaryDir folder;
        const QString game = QDir::toNativeSeparators(folder.filePath(u"a.gam"_s));
        const QString lib = QDir::toNativeSeparators(folder.filePath(u"a.lib"_s));
        QVERIFY(WriteFile(game, "game"));
        // Each dialog is noted as it came up (title, file types, open or save, the name it offers), then
        // takes the next answer typed into its name field, or is cancelled for an empty one.
        QStringList answers { game, lib, QString(), QString() };
        QStringList seen;
        const auto watcher = WatchModals([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            auto *name = modal->findChild<QLineEdit *>(u"fileNameEdit"_s);
            if (!dialog || !name || answers.isEmpty())
                return modal->hide();
            seen.append(QStringList { dialog->windowTitle(), dialog->nameFilters().join(u";;"_s),
                dialog->acceptMode() == QFileDialog::AcceptSave ? u"save"_s : u"open"_s, name->text() }
                            .join(u'|'));
            name->setText(answers.takeFirst());
            // As its buttons do; QFileDialog keeps its own accept() protected.
            name->text().isEmpty() ? dialog->reject() : static_cast<QDialog *>(dialog)->accept();
        });
        MainWindow window;
        const QLineEdit *source = window.field(u"原文件"_s);
        const QLineEdit *destination = window.field(u"目标文件"_s);
        QVERIFY(source && destination);

        QVERIFY(window.click(u"打开"_s));
        QCOMPARE(source->text(), game);
        QVERIFY(window.click(u"保存在..."_s));
        QCOMPARE(destination->text(), lib);
        // Cancelled, the open dialog still hands over the name it shares: the library's.
        QVERIFY(window.click(u"打开"_s));
        QCOMPARE(source->text(), lib);
        // The save dialog forgets that name before it comes up, so cancelling it empties the field.
        QVERIFY(window.click(u"保存在..."_s));
        QCOMPARE(destination->text(), QString());

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
        QTest::newRow("a game on the source field")
            << u"原文件"_s << QList { game } << QStringList { shown, old };
        QTest::newRow("a link, then a game")
            << u"目标文件"_s << QList { web, game } << QStringList { old, shown };
        QTest::newRow("a web link") << u"原文件"_s << QList { web } << QStringList { old, old };
        QTest::newRow("on a button") << u"生成"_s << QList { game } << QStringList { old, old };
    }
    // As from a file manager: the drag enters and moves over the target, and is dropped if it was taken.
    void drop()
    {
        QFETCH(QString, target);
        QFETCH(QList<QUrl>, urls);
        QFETCH(QStringList, fields);
        MainWindow window;
        QLineEdit *source = window.field(u"原文件"_s);
        QLineEdit *destination = window.field(u"目标文件"_s);
        QWidget *widget
            = window.field(target) ? static_cast<QWidget *>(window.field(target)) : window.button(target);
        QVERIFY(widget && source && destination);
        source->setText(u"old"_s);
        destination->setText(u"old"_s);
        QMimeData data;
        data.setUrls(urls);
        const QPoint centre = widget->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &enter);
        if (enter.isAccepted()) {
            QApplication::sendEvent(widget, &move);
            QApplication::sendEvent(widget, &drop);
        }

        QCOMPARE((QStringList { source->text(), destination->text() }), fields);
        QCOMPARE(enter.isAccepted(), fields != QStringList({ u"old"_s, u"old"_s }));
    }
};

QTEST_MAIN(FileChoiceTest)
#include "tst_filechoice.moc"
