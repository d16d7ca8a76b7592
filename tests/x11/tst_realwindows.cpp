#include "GameFiles.h"
#include "X11Session.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr qint64 Offset = 294912;

// Where a person finds the controls: the centre of each, in pixels of the
// window's client area, from the windows' design in twips (15 to a pixel).
QPoint Centre(int left, int top, int width, int height, QPoint parent = {})
{
    return parent + QPoint((left + width / 2) / 15, (top + height / 2) / 15);
}
const QPoint Frame1(120 / 15, 120 / 15);
const QPoint Frame2(120 / 15, 1320 / 15);
const QPoint OpenButton = Centre(120, 360, 975, 375, Frame1);
const QPoint OpenField = Centre(1320, 360, 2775, 375, Frame1);
const QPoint SaveButton = Centre(120, 360, 975, 375, Frame2);
const QPoint SaveField = Centre(1320, 360, 2775, 375, Frame2);
const QPoint Generate = Centre(720, 2520, 855, 375);
const QPoint About = Centre(1800, 2520, 855, 375);
const QPoint Bye = Centre(2880, 2520, 855, 375);
const QPoint AboutOk = Centre(1800, 3000, 1215, 375);

const QString MainTitle = QStringLiteral("^Tessaly$");
const QString AboutTitle = QStringLiteral("^Form2$");

} // namespace

class TestRealWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void typedPathsGiveNotice_data();
    void typedPathsGiveNotice();
    void dialogsChooseBothFiles();
    void aboutWindowOpensAndCloses();
    void programEnds_data();
    void programEnds();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    bool clickAt(const QString &window, QPoint point) const
    {
        return m_session.click(window, point.x(), point.y());
    }
    // Each test starts a fresh program, so the fields start empty.
    bool typeInto(QPoint field, const QString &text) const
    {
        if (!clickAt(m_main, field))
            return false;
        QTest::qWait(200);
        return m_session.typeText(text);
    }
    bool programEnded(int timeoutMs = 10000)
    {
        return m_program.state() == QProcess::NotRunning || m_program.waitForFinished(timeoutMs);
    }

    X11Session m_session;
    QProcess m_program;
    QString m_main;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRealWindows::initTestCase()
{
    const QString missing = m_session.missingTool();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
    const QString problem = m_session.start();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestRealWindows::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_program.setProcessEnvironment(m_session.environment());
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    // Short names to type: each keystroke is a chance for a busy X server to drop one.
    m_program.setWorkingDirectory(m_dir->path());
    m_program.start(QStringLiteral(TESSALY_PATH), QStringList());
    QVERIFY(m_program.waitForStarted(5000));
    m_main = m_session.waitForWindow(MainTitle);
    if (m_main.isEmpty()) {
        cleanup();
        QFAIL("the main window did not appear");
    }
}

void TestRealWindows::cleanup()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.kill();
        m_program.waitForFinished(5000);
    }
}

void TestRealWindows::typedPathsGiveNotice_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<QString>("noticeTitle");
    QTest::addColumn<bool>("libWritten");

    QTest::newRow("a game") << Offset + 5000 << QStringLiteral("^Ovrix祝贺您！$") << true;
    QTest::newRow("too short") << Offset << QStringLiteral("^文件不符$") << false;
    QTest::newRow("missing") << qint64(-1) << QStringLiteral("^错误$") << false;
}

void TestRealWindows::typedPathsGiveNotice()
{
    QFETCH(qint64, length);
    QFETCH(QString, noticeTitle);
    QFETCH(bool, libWritten);
    const QByteArray game = length >= 0 ? RandomBytes(length) : QByteArray();
    if (length >= 0)
        QVERIFY(WriteFile(path(QStringLiteral("game.gam")), game));
    const QString lib = path(QStringLiteral("game.lib"));

    QVERIFY(typeInto(OpenField, QStringLiteral("game.gam")));
    QVERIFY(typeInto(SaveField, QStringLiteral("game.lib")));
    QVERIFY(clickAt(m_main, Generate));

    const QString notice = m_session.waitForWindow(noticeTitle);
    QVERIFY2(!notice.isEmpty(), "no notice appeared");
    QVERIFY(m_session.pressKeys(notice, QStringLiteral("Return")));
    QVERIFY(m_session.waitForNoWindow(noticeTitle));
    QVERIFY2(QFileInfo::exists(lib) == libWritten, qPrintable(Entries(m_dir->path()).join(QLatin1Char(' '))));
    if (libWritten)
        QVERIFY(ReadFile(lib) == game.mid(Offset));
    // The window is still there and still works.
    QVERIFY(m_program.state() == QProcess::Running);
    QVERIFY(clickAt(m_main, Generate));
    QVERIFY(!m_session.waitForWindow(noticeTitle).isEmpty());
}

void TestRealWindows::dialogsChooseBothFiles()
{
    const QByteArray game = RandomBytes(Offset + 300);
    QVERIFY(WriteFile(path(QStringLiteral("chosen.gam")), game));
    const QString lib = path(QStringLiteral("chosen.lib"));
    const QString openTitle = QStringLiteral("^打开RPG文件$");
    const QString saveTitle = QStringLiteral("^生成Lib地址\\.\\.\\.$");

    QVERIFY(clickAt(m_main, OpenButton));
    const QString open = m_session.waitForWindow(openTitle);
    QVERIFY2(!open.isEmpty(), "the open dialog did not appear");
    QVERIFY(m_session.typeText(QStringLiteral("chosen.gam")));
    QVERIFY(m_session.pressKeys(open, QStringLiteral("Return")));
    QVERIFY(m_session.waitForNoWindow(openTitle));

    QVERIFY(clickAt(m_main, SaveButton));
    const QString save = m_session.waitForWindow(saveTitle);
    QVERIFY2(!save.isEmpty(), "the save dialog did not appear");
    QVERIFY(m_session.typeText(QStringLiteral("chosen.lib")));
    QVERIFY(m_session.pressKeys(save, QStringLiteral("Return")));
    QVERIFY(m_session.waitForNoWindow(saveTitle));

    QVERIFY(clickAt(m_main, Generate));
    const QString notice = m_session.waitForWindow(QStringLiteral("^Ovrix祝贺您！$"));
    QVERIFY2(!notice.isEmpty(), "no success notice");
    QVERIFY(m_session.pressKeys(notice, QStringLiteral("Return")));
    QVERIFY(ReadFile(lib) == game.mid(Offset));

    // Cancelling "打开" now brings the library's own path into the source
    // field; generating must then refuse rather than destroy the library.
    QVERIFY(clickAt(m_main, OpenButton));
    const QString again = m_session.waitForWindow(openTitle);
    QVERIFY(!again.isEmpty());
    QVERIFY(m_session.pressKeys(again, QStringLiteral("Escape")));
    QVERIFY(m_session.waitForNoWindow(openTitle));
    QVERIFY(clickAt(m_main, Generate));
    const QString refusal = m_session.waitForWindow(QStringLiteral("^文件不符$"));
    QVERIFY2(!refusal.isEmpty(), "no same-file warning");
    QVERIFY(m_session.pressKeys(refusal, QStringLiteral("Return")));
    QVERIFY(ReadFile(lib) == game.mid(Offset));
}

void TestRealWindows::aboutWindowOpensAndCloses()
{
    QVERIFY(clickAt(m_main, About));
    const QString about = m_session.waitForWindow(AboutTitle);
    QVERIFY2(!about.isEmpty(), "the About window did not appear");
    QVERIFY(clickAt(about, AboutOk));
    QVERIFY(m_session.waitForNoWindow(AboutTitle));
    QVERIFY(m_program.state() == QProcess::Running);
    QVERIFY(clickAt(m_main, About));
    QVERIFY(!m_session.waitForWindow(AboutTitle).isEmpty());
}

void TestRealWindows::programEnds_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("拜拜") << "bye";
    QTest::newRow("拜拜 with the About window open") << "bye with about";
    QTest::newRow("closing the main window") << "close";
    QTest::newRow("closing the main window, then OK!~") << "close with about";
}

void TestRealWindows::programEnds()
{
    QFETCH(QString, how);
    QString about;
    if (how.endsWith(QLatin1String("with about"))) {
        QVERIFY(clickAt(m_main, About));
        about = m_session.waitForWindow(AboutTitle);
        QVERIFY(!about.isEmpty());
    }

    if (how.startsWith(QLatin1String("bye")))
        QVERIFY(clickAt(m_main, Bye));
    else
        QVERIFY(m_session.pressKeys(m_main, QStringLiteral("alt+F4")));

    if (how == QLatin1String("close with about")) {
        QVERIFY(m_session.waitForNoWindow(MainTitle));
        QVERIFY2(!programEnded(1000), "the program ended while the About window was open");
        QVERIFY(!m_session.waitForWindow(AboutTitle).isEmpty());
        QVERIFY(clickAt(about, AboutOk));
    }
    QVERIFY2(programEnded(), "the program did not end");
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestRealWindows)
#include "tst_realwindows.moc"
