#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A private X server with a window manager, and the xdotool calls a test
// needs to use programs in it as a person would. Everything it starts is
// ended by its own process id.
class X11Session
{
public:
    X11Session();
    ~X11Session();
    X11Session(const X11Session &) = delete;
    X11Session &operator=(const X11Session &) = delete;

    // The first tool the session needs that is not installed, if any.
    static QString missingTool();
    // Empty when the session is up, else why it is not.
    QString start();
    QString display() const { return m_display; }
    QProcessEnvironment environment() const;

    // The id of the visible window whose title matches `titlePattern` (a
    // regular expression), waiting up to `timeoutMs`; empty if none showed.
    QString waitForWindow(const QString &titlePattern, int timeoutMs = 10000) const;
    // Waits until no visible window matches; false if one still does.
    bool waitForNoWindow(const QString &titlePattern, int timeoutMs = 10000) const;

    // Clicks at a point of a window's client area, in device-independent pixels.
    bool click(const QString &window, int x, int y) const;
    bool typeText(const QString &text) const;
    // Key names as xdotool takes them: "Return", "alt+F4", "ctrl+a".
    bool pressKeys(const QString &window, const QString &keys) const;

    bool xdotool(const QStringList &arguments, QString *output = nullptr) const;

private:
    QString startWindowManager();
    void stop(std::unique_ptr<QProcess> &process);

    QString m_display;
    QTemporaryDir m_runtimeDir;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
};
