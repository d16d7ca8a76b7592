#include "AccessibleWindow.h"

#include <QFrame>
#include <QString>
#include <QVariant>
#include <QWidget>

namespace {

constexpr char ExposedProperty[] = "tessalyAccessibleWindow";

QAccessibleInterface *CreateForExposedWindow(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || !widget->property(ExposedProperty).toBool())
        return nullptr;
    return new AccessibleWindow(widget);
}

bool IsLine(const QObject *object)
{
    const auto *frame = qobject_cast<const QFrame *>(object);
    return frame && (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine);
}

} // namespace

AccessibleWindow::AccessibleWindow(QWidget *window)
    : QAccessibleWidget(window, QAccessible::Window)
{
}

void AccessibleWindow::Expose(QWidget *window, const QString &name)
{
    window->setProperty(ExposedProperty, true);
    QAccessible::installFactory(CreateForExposedWindow);
    window->setAccessibleName(name);
}

int AccessibleWindow::childCount() const
{
    return int(spokenChildren().size());
}

QAccessibleInterface *AccessibleWindow::child(int index) const
{
    return spokenChildren().value(index);
}

int AccessibleWindow::indexOfChild(const QAccessibleInterface *child) const
{
    return int(spokenChildren().indexOf(child));
}

QList<QAccessibleInterface *> AccessibleWindow::spokenChildren() const
{
    QList<QAccessibleInterface *> children;
    for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
        QAccessibleInterface *child = QAccessibleWidget::child(i);
        if (child && !IsLine(child->object()))
            children.append(child);
    }
    return children;
}
