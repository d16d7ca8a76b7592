#include "X11Session.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr int PollMs = 50;

bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(PollMs);
    }
    return true;
}

} // namespace

X11Session::X11Session() = default;

X11Session::~X11Session()
{
    stop(m_windowManager);
    stop(m_server);
}

void X11Session::stop(std::unique_ptr<QProcess> &process)
{
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
    process.reset();
}

QString X11Session::missingTool()
{
    for (const char *tool : { "Xvfb", "openbox", "xdotool" }) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QString::fromLatin1(tool);
    }
    return QString();
}

QString X11Session::start()
{

    // A display number of our own, away from any desktop the machine has.
    for (int number = 90 + int(QCoreApplication::applicationPid() % 100); number < 400; ++number) {
        if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
            || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            continue;
        m_display = QStringLiteral(":%1").arg(number);
        break;
    }
    const QString socket = QStringLiteral("/tmp/.X11-unix/X") + m_display.mid(1);

    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server->start(QStringLiteral("Xvfb"),
        { m_display, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
            QStringLiteral("-dpi"), QStringLiteral("96"), QStringLiteral("-nolisten"),
            QStringLiteral("tcp") });
    if (!m_server->waitForStarted(5000)
        || !WaitFor(
            [&] { return QFileInfo::exists(socket) || m_server->state() == QProcess::NotRunning; }, 10000)
        || m_server->state() == QProcess::NotRunning)
        return QStringLiteral("Xvfb did not start on %1").arg(m_display);
    // The socket appears a moment before the server takes clients.
    if (!WaitFor([&] { return xdotool({ QStringLiteral("getdisplaygeometry") }); }, 10000))
        return QStringLiteral("Xvfb on %1 takes no clients").arg(m_display);

    // Seen once on a loaded machine: openbox never claimed the screen. A
    // second one, started afresh, does.
    QString problem;
    for (int attempt = 0; attempt < 2; ++attempt) {
        problem = startWindowManager();
        if (problem.isEmpty())
            break;
        stop(m_windowManager);
    }
    return problem;
}

QString X11Session::startWindowManager()
{
    m_windowManager = std::make_unique<QProcess>();
    m_windowManager->setProcessEnvironment(environment());
    m_windowManager->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_windowManager->start(QStringLiteral("openbox"), { QStringLiteral("--sm-disable") });
    if (!m_windowManager->waitForStarted(5000))
        return QStringLiteral("openbox did not start");
    // The manager is ready once it has claimed the screen.
    const auto running = [&] { return m_windowManager->state() != QProcess::NotRunning; };
    const bool managed = WaitFor(
        [&] {
            return !running()
                || xdotool(
                    { QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("Openbox") });
        },
        15000);
    if (managed && running())
        return QString();
    return QStringLiteral("openbox did not take the screen on %1 (%2)")
        .arg(m_display,
            running() ? QStringLiteral("still running")
                      : QStringLiteral("it ended with %1").arg(m_windowManager->exitCode()));
}

QProcessEnvironment X11Session::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir.path());
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    return environment;
}

bool X11Session::xdotool(const QStringList &arguments, QString *output) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString X11Session::waitForWindow(const QString &titlePattern, int timeoutMs) const
{
    QString found;
    WaitFor(
        [&] {
            QString output;
            if (!xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), titlePattern },
                    &output))
                return false;
            found = output.split(QLatin1Char('\n')).constLast();
            return !found.isEmpty();
        },
        timeoutMs);
    return found;
}

bool X11Session::waitForNoWindow(const QString &titlePattern, int timeoutMs) const
{
    return WaitFor(
        [&] {
            return !xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--name"), titlePattern });
        },
        timeoutMs);
}

bool X11Session::click(const QString &window, int x, int y) const
{
    // A click that lands while a closing dialog still holds the grab is lost,
    // so the window is made active first, as a person's first click would.
    // No --sync on the move: it waits forever when the pointer is already there.
    if (!xdotool({ QStringLiteral("windowactivate"), QStringLiteral("--sync"), window })
        || !xdotool({ QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
            QString::number(y) }))
        return false;
    QThread::msleep(100);
    return xdotool({ QStringLiteral("click"), QStringLiteral("1") });
}

bool X11Session::typeText(const QString &text) const
{
    return xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"),
        QStringLiteral("--"), text });
}

bool X11Session::pressKeys(const QString &window, const QString &keys) const
{
    return xdotool({ QStringLiteral("windowactivate"), QStringLiteral("--sync"), window })
        && xdotool({ QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys });
}
