#include "DesktopInput.h"

#include <QProcess>
#include <QStringList>
#include <QWidget>

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

} // namespace

namespace DesktopInput {

const char *Platform()
{
    return "xcb";
}

bool WaitForWindow(const QString &title)
{
    return Xdotool(u"search --sync --onlyvisible --name ^"_s + title + u'$');
}

bool IsShown(const QString &title)
{
    return Xdotool(u"search --onlyvisible --name ^"_s + title + u'$');
}

bool Activate(const QString &title)
{
    return Xdotool(u"search --sync --onlyvisible --name ^"_s + title + u"$ windowactivate --sync"_s);
}

bool Click(const QString &title, const QWidget *control, const QString &typing)
{
    const QPoint centre = control->mapTo(control->window(), control->rect().center());
    return Xdotool(u"search --onlyvisible --name ^"_s + title
               + u"$ windowactivate --sync mousemove --window %1 "_s + QString::number(centre.x()) + u' '
               + QString::number(centre.y()))
        && Xdotool(u"click 1"_s) && (typing.isEmpty() || Xdotool(u"type --delay 50 "_s + typing));
}

bool PressReturn()
{
    return Xdotool(u"key Return"_s);
}

} // namespace DesktopInput
