#include "DesktopInput.h"

#include <QProcess>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace DesktopInput {
namespace {

// %1: a window's title
const QString ToFront = u"search --sync --onlyvisible --name ^%1$ windowactivate --sync"_s;

bool Xdotool(const QString &command)
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, command.split(u' ', Qt::SkipEmptyParts));
    return xdotool.waitForFinished(Patience) && xdotool.exitStatus() == QProcess::NormalExit
        && xdotool.exitCode() == 0;
}

} // namespace

bool IsShown(const QString &title)
{
    return Xdotool(u"search --onlyvisible --name ^%1$"_s.arg(title));
}

bool Click(const QString &title, const QWidget *control, const QString &typing)
{
    const QPoint centre = control->mapTo(control->window(), control->rect().center());
    return Xdotool(ToFront.arg(title) + u" mousemove --window %1 "_s + QString::number(centre.x()) + u' '
               + QString::number(centre.y()))
        && Xdotool(u"click 1"_s) && (typing.isEmpty() || Xdotool(u"type --delay 50 "_s + typing));
}

bool PressReturn(const QString &title)
{
    return Xdotool(ToFront.arg(title)) && Xdotool(u"key Return"_s);
}

} // namespace DesktopInput
