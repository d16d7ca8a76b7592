#include "PathLineEdit.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

PathLineEdit::PathLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

QString PathLineEdit::DroppedPath(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            return QDir::toNativeSeparators(url.toLocalFile());
    }
    return QString();
}

bool PathLineEdit::AnswerUrlDrag(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls())
        return false;
    if (DroppedPath(event->mimeData()).isEmpty())
        event->ignore(); // a web link is no path
    else
        event->acceptProposedAction();
    return true;
}

void PathLineEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!AnswerUrlDrag(event))
        QLineEdit::dragEnterEvent(event);
}

void PathLineEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (!AnswerUrlDrag(event))
        QLineEdit::dragMoveEvent(event);
}

void PathLineEdit::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QLineEdit::dropEvent(event);
        return;
    }
    const QString path = DroppedPath(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    setText(path);
    setFocus(Qt::MouseFocusReason);
    event->acceptProposedAction();
}
