#pragma once

#include <QString>

class QWidget;

// The desktop's own keyboard and mouse acting on another program's windows, found by their titles: the X
// server's (through xdotool) on Linux, Windows' on Windows. Each call gives up after a minute.
namespace DesktopInput {

// The platform plugin that shows a program on this desktop
const char *Platform();
bool WaitForWindow(const QString &title);
bool IsShown(const QString &title);
bool Activate(const QString &title);
// The window to the front, the pointer onto the middle of the control (one of the same window made here), a
// click, and perhaps some typing.
bool Click(const QString &title, const QWidget *control, const QString &typing = QString());
bool PressReturn();

} // namespace DesktopInput
