#include "DesktopInput.h"
#include "Form2.h"
#include "GameFiles.h"
#include "MainWindow.h"

#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace DesktopInput;

constexpr qint64 HeaderLength = 294912;

class RealWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Should it be running, it ends with this test.
    void cleanup() { QVERIFY2(m_program.state() == QProcess::NotRunning, "the program was left running"); }

    // The program itself under a window manager, with the desktop's own keyboard and mouse: both paths
    // typed, 生成, the notice dismissed, the About window closed with its button, opened again, and 拜拜.
    void visit()
    {
        QTemporaryDir folder;
        QVERIFY(WriteFile(folder.filePath(u"game.gam"_s), RandomBytes(HeaderLength + 5000)));
        // Where the controls are, read off the same windows made here.
        const MainWindow main;
        const Form2 about;
        const auto shown = [](const QString &title, bool wanted = true) {
            return QTest::qWaitFor([&] { return IsShown(title) == wanted; }, Patience);
        };
        // Only the program: this test's own windows stay off the screen.
        qputenv("QT_QPA_PLATFORM", QSysInfo::productType() == u"windows"_s ? "windows" : "xcb");
        m_program.setWorkingDirectory(folder.path());
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(QStringLiteral(TESSALY_PATH), QStringList());

        QVERIFY2(shown(u"Tessaly"_s), "no main window");
        // Short names: each keystroke is one more that a busy X server could lose.
        QVERIFY(Click(u"Tessaly"_s, main.field(u"原文件"_s), u"game.gam"_s));
        QVERIFY(Click(u"Tessaly"_s, main.field(u"目标文件"_s), u"game.lib"_s));
        QVERIFY(Click(u"Tessaly"_s, main.button(u"生成"_s)));
        QVERIFY2(PressReturn(u"Ovrix祝贺您！"_s), "no success notice");
        QVERIFY(shown(u"Ovrix祝贺您！"_s, false));
        QVERIFY(IsTail(folder.filePath(u"game.lib"_s), folder.filePath(u"game.gam"_s), HeaderLength));

        QVERIFY(Click(u"Tessaly"_s, main.button(u"关于"_s)));
        QVERIFY(Click(u"Form2"_s, about.findChild<QPushButton *>()));
        QVERIFY(shown(u"Form2"_s, false));
        // 拜拜 ends the program even with the About window open.
        QVERIFY(Click(u"Tessaly"_s, main.button(u"关于"_s)));
        QVERIFY2(shown(u"Form2"_s), "no second About window");

        QVERIFY(Click(u"Tessaly"_s, main.button(u"拜拜"_s)));
        // It may have ended already while the click was being made.
        QVERIFY2(QTest::qWaitFor([this] { return m_program.state() == QProcess::NotRunning; }, Patience),
            "拜拜 did not end the program");
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
    }

private:
    QProcess m_program;
};

QTEST_MAIN(RealWindowsTest)
#include "tst_realwindows.moc"
