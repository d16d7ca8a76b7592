#pragma once

#include <QAccessibleWidget>
#include <QList>

class QString;
class QWidget;

// What a screen reader finds for one of the program's windows: a window with a name of its own, not the
// nameless panel ("filler") a plain widget is taken for, and without its decorative lines, which have
// nothing to say.
class AccessibleWindow : public QAccessibleWidget
{
public:
    explicit AccessibleWindow(QWidget *window);

    // First thing in the window's constructor: an interface asked for before this stays a panel.
    static void Expose(QWidget *window, const QString &name);

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;

private:
    QList<QAccessibleInterface *> spokenChildren() const;
};
