#include "DesktopInput.h"

#include <QTest>
#include <QWidget>

#include <string>
#include <vector>
#include <windows.h>

namespace {

// Only a broken session comes near it; a loaded machine may take seconds.
constexpr int Patience = 60000;
constexpr int KeyDelay = 50;

struct Search
{
    std::wstring title;
    HWND found = nullptr;
};

HWND FindShown(const QString &title)
{
    Search search { title.toStdWString() };
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto *search = reinterpret_cast<Search *>(data);
            std::wstring text(256, L'\0');
            text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
            if (!IsWindowVisible(window) || text != search->title)
                return TRUE;
            search->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForShown(const QString &title)
{
    HWND window = nullptr;
    return QTest::qWaitFor([&] { return (window = FindShown(title)) != nullptr; }, Patience) ? window
                                                                                             : nullptr;
}

bool ToFront(HWND window)
{
    BringWindowToTop(window);
    SetForegroundWindow(window);
    return QTest::qWaitFor([window] { return GetForegroundWindow() == window; }, Patience);
}

bool Send(std::vector<INPUT> inputs)
{
    return SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

INPUT Key(WORD key, bool up)
{
    INPUT input {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT Button(DWORD flag)
{
    INPUT input {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    return input;
}

// Each character through the key that gives it on the keyboard layout, with Shift where it takes Shift.
bool Type(const QString &text)
{
    for (const QChar character : text) {
        const SHORT key = VkKeyScanW(wchar_t(character.unicode()));
        if (key == -1)
            return false;
        const bool shift = (key >> 8) & 1;
        std::vector<INPUT> inputs;
        if (shift)
            inputs.push_back(Key(VK_SHIFT, false));
        inputs.push_back(Key(WORD(key & 0xff), false));
        inputs.push_back(Key(WORD(key & 0xff), true));
        if (shift)
            inputs.push_back(Key(VK_SHIFT, true));
        if (!Send(inputs))
            return false;
        QTest::qWait(KeyDelay);
    }
    return true;
}

} // namespace

namespace DesktopInput {

const char *Platform()
{
    return "windows";
}

bool WaitForWindow(const QString &title)
{
    return WaitForShown(title) != nullptr;
}

bool IsShown(const QString &title)
{
    return FindShown(title) != nullptr;
}

bool Activate(const QString &title)
{
    const HWND window = WaitForShown(title);
    return window && ToFront(window);
}

bool Click(const QString &title, const QWidget *control, const QString &typing)
{
    const HWND window = FindShown(title);
    if (!window || !ToFront(window))
        return false;
    const QPoint centre = control->mapTo(control->window(), control->rect().center());
    POINT point { centre.x(), centre.y() };
    // Only where nothing covers the control does the click reach it.
    if (!ClientToScreen(window, &point) || !SetCursorPos(point.x, point.y)
        || !QTest::qWaitFor([&] { return GetAncestor(WindowFromPoint(point), GA_ROOT) == window; }, Patience))
        return false;
    QTest::qWait(KeyDelay);
    return Send({ Button(MOUSEEVENTF_LEFTDOWN), Button(MOUSEEVENTF_LEFTUP) })
        && (QTest::qWait(KeyDelay), typing.isEmpty() || Type(typing));
}

bool PressReturn()
{
    return Send({ Key(VK_RETURN, false), Key(VK_RETURN, true) });
}

} // namespace DesktopInput
