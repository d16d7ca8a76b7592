#include "CommandButton.h"

#include <QKeyEvent>
#include <QString>

namespace {

bool IsEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

CommandButton::CommandButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
    setDefault(false);
}

// Enter works as Space does: the button goes down with the key and clicks when it is let go, so a held key
// neither clicks twice nor runs on into a notice that the click opens.
void CommandButton::keyPressEvent(QKeyEvent *event)
{
    if (!IsEnter(event)) {
        QPushButton::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        setDown(true);
    event->accept();
}

void CommandButton::keyReleaseEvent(QKeyEvent *event)
{
    if (!IsEnter(event)) {
        QPushButton::keyReleaseEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && isDown()) {
        setDown(false);
        click();
    }
    event->accept();
}
