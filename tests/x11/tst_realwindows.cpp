#include "Form2.h"
#include "GameFiles.h"
#include "MainWindow.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// Only a broken session comes near it; a loaded machine may take seconds.
constexpr int Patience = 60000;

bool Xdotool(const QString &command)
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, command.split(u' ', Qt::SkipEmptyParts));
    return xdotool.waitForFinished(Patience) && xdotool.exitStatus() == QProcess::NormalExit
        && xdotool.exitCode() == 0;
}

// As a person does it: the window to the front, the pointer onto the middle of the control, a click, and
// perhaps some typing. Real input, not events sent to the window, so the pointer and keys act on their own.
bool Click(const QString &title, const QWidget *control, const QString &typing = QString())
{
    const QPoint centre = control->mapTo(control->window(), control->rect().center());
    return Xdotool(u"search --onlyvisible --name ^"_s + title
               + u"$ windowactivate --sync mousemove --window %1 "_s + QString::number(centre.x()) + u' '
               + QString::number(centre.y()))
        && Xdotool(u"click 1"_s) && (typing.isEmpty() || Xdotool(u"type --delay 50 "_s + typing));
}

} // namespace

class RealWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Should it be running, it ends with this test.
    void cleanup() { QVERIFY2(m_program.state() == QProcess::NotRunning, "the program was left running"); }

    // The program itself under a window manager, with the X server's own keyboard and mouse: both paths
    // typed, 生成, the notice dismissed, the About window closed with its button, opened again, and 拜拜.
    void visit()
    {
        QTemporaryDir folder;
        QVERIFY(WriteFile(folder.filePath(u"game.gam"_s), RandomBytes(294912 + 5000)));
        // Where the controls are, read off the same windows made here.
        const MainWindow main;
        const Form2 about;
        // Only the program: this test's own windows stay off the screen.
        qputenv("QT_QPA_PLATFORM", "xcb");
        m_program.setWorkingDirectory(folder.path());
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(QStringLiteral(TESSALY_PATH), QStringList());

        QVERIFY2(Xdotool(u"search --sync --onlyvisible --name ^Tessaly$"_s), "no main window");
        // Short names: each keystroke is one more that a busy X server could lose.
        QVERIFY(Click(u"Tessaly"_s, main.field(u"原文件"_s), u"game.gam"_s));
        QVERIFY(Click(u"Tessaly"_s, main.field(u"目标文件"_s), u"game.lib"_s));
        QVERIFY(Click(u"Tessaly"_s, main.button(u"生成"_s)));
        QVERIFY2(Xdotool(u"search --sync --onlyvisible --name ^Ovrix祝贺您！$ windowactivate --sync"_s),
            "no success notice");
        QVERIFY(Xdotool(u"key Return"_s));
        QVERIFY(QTest::qWaitFor(
            [] { return !Xdotool(u"search --onlyvisible --name ^Ovrix祝贺您！$"_s); }, Patience));

        QVERIFY(Click(u"Tessaly"_s, main.button(u"关于"_s)));
        QVERIFY2(Xdotool(u"search --sync --onlyvisible --name ^Form2$"_s), "no About window");
        QVERIFY(Click(u"Form2"_s, about.findChild<QPushButton *>()));
        QVERIFY(QTest::qWaitFor([] { return !Xdotool(u"search --onlyvisible --name ^Form2$"_s); }, Patience));
        // 拜拜 ends the program even with the About window open.
        QVERIFY(Click(u"Tessaly"_s, main.button(u"关于"_s)));
        QVERIFY2(Xdotool(u"search --sync --onlyvisible --name ^Form2$"_s), "no second About window");

        QVERIFY(Click(u"Tessaly"_s, main.button(u"拜拜"_s)));
        QVERIFY2(m_program.waitForFinished(Patience), "拜拜 did not end the program");
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
    }

private:
    QProcess m_program;
};

QTEST_MAIN(RealWindowsTest)
#include "tst_realwindows.moc"
