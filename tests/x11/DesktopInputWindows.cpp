#include "DesktopInput.h"

#include <QTest>
#include <QWidget>

#include <algorithm>
#include <windows.h>

namespace DesktopInput {
namespace {

constexpr int KeyDelay = 50;

HWND FindShown(const QString &title)
{
    HWND window = nullptr;
    do
        window = FindWindowExW(nullptr, window, nullptr, title.toStdWString().c_str());
    while (window && !IsWindowVisible(window));
    return window;
}

// The window, once it is shown and in front.
HWND ToFront(const QString &title)
{
    HWND window = nullptr;
    if (!QTest::qWaitFor([&] { return (window = FindShown(title)) != nullptr; }, Patience))
        return nullptr;
    BringWindowToTop(window);
    SetForegroundWindow(window);
    return QTest::qWaitFor([window] { return GetForegroundWindow() == window; }, Patience) ? window : nullptr;
}

// A key pressed and let go: a virtual key, or a character as an input method hands it over.
bool Press(WORD key, WORD character = 0)
{
    const DWORD flags = character ? KEYEVENTF_UNICODE : 0;
    INPUT inputs[] = { { .type = INPUT_KEYBOARD, .ki = { key, character, flags, 0, 0 } },
        { .type = INPUT_KEYBOARD, .ki = { key, character, flags | KEYEVENTF_KEYUP, 0, 0 } } };
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

} // namespace

bool IsShown(const QString &title)
{
    return FindShown(title) != nullptr;
}

bool Click(const QString &title, const QWidget *control, const QString &typing)
{
    const HWND window = ToFront(title);
    const QPoint centre = control->mapTo(control->window(), control->rect().center());
    POINT point { centre.x(), centre.y() };
    // Only where nothing covers the control does the click reach it.
    if (!window || !ClientToScreen(window, &point) || !SetCursorPos(point.x, point.y)
        || !QTest::qWaitFor([&] { return GetAncestor(WindowFromPoint(point), GA_ROOT) == window; }, Patience))
        return false;
    QTest::qWait(KeyDelay);
    INPUT click { .type = INPUT_MOUSE, .mi = { 0, 0, 0, MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP, 0, 0 } };
    return SendInput(1, &click, sizeof click) == 1 && std::ranges::all_of(typing, [](QChar character) {
        QTest::qWait(KeyDelay);
        return Press(0, character.unicode());
    });
}

bool PressReturn(const QString &title)
{
    return ToFront(title) && Press(VK_RETURN);
}

} // namespace DesktopInput
