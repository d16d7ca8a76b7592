#pragma once

#include <QPushButton>

class QKeyEvent;
class QString;

// A push button that Enter and the keypad's Enter click while it has the focus, as on Windows. It is never a
// default button, so Enter anywhere else in the window clicks nothing.
class CommandButton : public QPushButton
{
    Q_OBJECT

public:
    CommandButton(const QString &caption, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
};
