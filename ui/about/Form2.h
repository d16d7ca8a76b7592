#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QString;

// The About window: credits, contacts and a disclaimer. Frameless, without an owner, and destroyed when
// closed, so every showing starts from the same design.
class Form2 : public QWidget
{
    Q_OBJECT

public:
    Form2();

private:
    void Command1Click();

    QLabel *createLabel(const QString &name, const QString &text, int left, int top, int width, int height);
    QFrame *createLine(const QString &name, int x1, int y1, int x2, int y2);

    QPushButton *Command1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label7;
    QLabel *Label8;
    QLabel *Label9;
    QFrame *Line1;
    QFrame *Line2;
    QFrame *Line3;
    QFrame *Line4;
    QFrame *Line5;
    QFrame *Line6;
};
