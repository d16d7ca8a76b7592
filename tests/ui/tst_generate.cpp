#include "GameFiles.h"
#include "MainWindow.h"
#include "ModalWidgets.h"
#include "QtChineseTranslation.h"

#include <QMessageBox>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 HeaderLength = 294912;
constexpr qint64 Missing = -1;

} // namespace

// Paths typed in, 生成 clicked: one notice, and a library where it says so.
class GenerateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(InstallQtChineseTranslation(*QCoreApplication::instance())); }
    void cleanup()
    {
        QVERIFY(!QGuiApplication::overrideCursor() && QApplication::topLevelWidgets().isEmpty());
    }

    void generate_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("libName");
        QTest::addColumn<QString>("notice"); // %1 and %2 stand for the paths, … for the system's reason

        const QString lib = u"game.lib"_s;
        QTest::newRow("a game") << HeaderLength + 1 << lib
                                << u"Information|Ovrix祝贺您！|Lib文件生成成功！！|确定"_s;
        QTest::newRow("only the header")
            << HeaderLength << lib << u"Warning|文件不符|请重新打开正确的文件|确定"_s;
        QTest::newRow("no game") << Missing << lib << u"Critical|错误|无法打开原文件：%1\n原因：…|确定"_s;
        // As a dialog shows a name whose bytes are not UTF-8; taken as it is, it would name another file.
        QTest::newRow("undecoded name")
            << HeaderLength + 1 << u"\uFFFD.lib"_s << u"Critical|错误|无法打开目标文件：%2\n原因：…|确定"_s;
    }
    void generate()
    {
        QFETCH(qint64, length);
        QFETCH(QString, libName);
        QFETCH(QString, notice);
        QTemporaryDir folder;
        const QString game = folder.filePath(u"game.gam"_s);
        const QString lib = folder.filePath(libName);
        const QByteArray bytes = RandomBytes(qMax(length, qint64(0)));
        QVERIFY(length == Missing || WriteFile(game, bytes));
        MainWindow window;
        QVERIFY(window.field(u"原文件"_s) && window.field(u"目标文件"_s));
        // In one go, as an input method hands text over, so that any path can be typed.
        QTest::sendKeyEvent(QTest::Click, window.field(u"原文件"_s), Qt::Key_unknown, game, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Click, window.field(u"目标文件"_s), Qt::Key_unknown, lib, Qt::NoModifier);
        // Each notice as a user takes it in: icon, title, text, buttons, and whether it is over the window.
        QStringList seen;
        const auto watcher = WatchModals([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box || box->buttons().isEmpty() || box->parentWidget() != &window.form) {
                seen.append(u"not a notice over the main window"_s);
                return modal->hide();
            }
            QStringList parts { QString::fromLatin1(
                                    QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon())),
                box->windowTitle(), box->text().replace(QRegularExpression(u"原因：.+"_s), u"原因：…"_s) };
            for (const QAbstractButton *button : box->buttons())
                parts.append(button->text());
            seen.append(parts.join(u'|'));
            QTest::mouseClick(box->buttons().constFirst(), Qt::LeftButton);
        });

        QVERIFY(window.click(u"生成"_s));

        QCOMPARE(seen, QStringList { notice.replace(u"%1"_s, game).replace(u"%2"_s, lib) });
        QVERIFY(
            ReadFile(lib) == (notice.startsWith(u"Information"_s) ? bytes.mid(HeaderLength) : QByteArray()));
    }
};

QTEST_MAIN(GenerateTest)
#include "tst_generate.moc"
