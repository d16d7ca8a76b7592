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

INPUT Key(WORD key, WORD character, DWORD flags)
{
    INPUT input {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = character;
    input.ki.dwFlags = flags;
    return input;
}

INPUT Button(DWORD flag)
{
    INPUT input {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    return input;
}

// Character by character, as an input method hands them over.
bool Type(const QString &text)
{
    for (const QChar character : text) {
        const auto unit = WORD(character.unicode());
        if (!Send({ Key(0, unit, KEYEVENTF_UNICODE), Key(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP) }))
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
    return Send({ Key(VK_RETURN, 0, 0), Key(VK_RETURN, 0, KEYEVENTF_KEYUP) });
}

} // namespace DesktopInput
