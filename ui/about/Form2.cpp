#include "Form2.h"

#include "AccessibleWindow.h"
#include "CommandButton.h"
#include "ProgramIcon.h"
#include "Twips.h"
#include "WindowFont.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QString>

using namespace Qt::StringLiterals;

Form2::Form2()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    // Its caption is never seen, so a listener gets a name of its own.
    AccessibleWindow::Expose(this, u"关于"_s);
    setObjectName(u"Form2"_s);
    setWindowTitle(u"Form2"_s);
    setWindowIcon(ProgramIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(WindowFont());
    setFixedSize(TwipsToPixels(5040), TwipsToPixels(3525));

    // Created in tab order; the labels and lines never take focus, so the button is the only stop.
    Command1 = new CommandButton(u"OK!~"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setGeometry(TwipsRect(1800, 3000, 1215, 375));
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1Click);

    Label1 = createLabel(u"Label1"_s, u"程序设计：Ovrix(Brelune)"_s, 120, 480, 3615, 255);
    Label2 = createLabel(u"Label2"_s, u"Tessaly"_s, 480, 120, 3615, 255);
    Label3 = createLabel(u"Label3"_s, u"qq:10000"_s, 120, 720, 3735, 255);
    Label4
        = createLabel(u"Label4"_s, u"E-mail: ovrix@example.com    交个朋友可以吧~~"_s, 120, 960, 4215, 255);
    Label5 = createLabel(u"Label5"_s, u"大家多多提意见啊！！"_s, 3120, 1800, 2055, 255);
    Label6 = createLabel(u"Label6"_s,
        u"声明：本程序用于学习编程所用，引起的任何法律纠纷，作者一律不负法律责任，请大家使用本软件在24小时内删除。"_s,
        1680, 2280, 3255, 615);
    // Three lines of the window's face take 45 pixels; a point less brings them into the 41 the design gives.
    QFont smaller = Label6->font();
    smaller.setPointSize(WindowFontPointSize - 1);
    Label6->setFont(smaller);
    Label7 = createLabel(u"Label7"_s, u"7·1纪念"_s, 3840, 3120, 1095, 255);
    Label8 = createLabel(u"Label8"_s, u"希望大家都支持步步高！！！"_s, 2640, 1440, 2535, 255);
    Label9 = createLabel(u"Label9"_s, u"http://example.com"_s, 120, 1200, 2415, 255);

    Line1 = createLine(u"Line1"_s, 360, 360, 4080, 360);
    Line2 = createLine(u"Line2"_s, 120, 1440, 2400, 1440);
    Line3 = createLine(u"Line3"_s, 2160, 1320, 4800, 1320);
    Line4 = createLine(u"Line4"_s, 960, 2160, 4440, 2160);
    Line5 = createLine(u"Line5"_s, 3360, 3000, 4440, 3000);
    Line6 = createLine(u"Line6"_s, 4080, 3360, 5040, 3360);
}

void Form2::Command1Click()
{
    close();
}

QLabel *Form2::createLabel(const QString &name, const QString &text, int left, int top, int width, int height)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setFocusPolicy(Qt::NoFocus);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    // A child is clipped to its parent, so the part of a rectangle beyond the window's edge stays hidden.
    label->setGeometry(TwipsRect(left, top, width, height));
    return label;
}

QFrame *Form2::createLine(const QString &name, int x1, int y1, int x2, int y2)
{
    // The design has only horizontal lines; each is a one-pixel strip from its start up to its end point.
    Q_ASSERT(y1 == y2);
    auto *line = new QFrame(this);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setFocusPolicy(Qt::NoFocus);
    const QPoint start = TwipsPoint(x1, y1);
    const QPoint end = TwipsPoint(x2, y2);
    line->setGeometry(start.x(), start.y(), end.x() - start.x(), 1);
    return line;
}
