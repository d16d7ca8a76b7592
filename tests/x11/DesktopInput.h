#pragma once

#include <QString>

class QWidget;

// The desktop's own keyboard and mouse acting on another program's windows, found by their titles: the X
// server's (through xdotool) on Linux, Windows' on Windows.
namespace DesktopInput {

// How long a call waits for a window at most: only a broken session comes near it, a loaded machine may take
// seconds.
inline constexpr int Patience = 60000;

bool IsShown(const QString &title);
// The window to the front once it is shown, the pointer onto the middle of the control (one of the same
// window made here), a click, and perhaps some typing.
bool Click(const QString &title, const QWidget *control, const QString &typing = QString());
// The window to the front once it is shown, and Return.
bool PressReturn(const QString &title);

} // namespace DesktopInput
