#include "Form1.h"

#include "AccessibleWindow.h"
#include "CommandButton.h"
#include "CommonDialog.h"
#include "ErrorReport.h"
#include "Form2.h"
#include "GenerateLib.h"
#include "MessageBoxNoticeSink.h"
#include "PathLineEdit.h"
#include "ProgramIcon.h"
#include "Twips.h"
#include "WindowFont.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A dialog or a drop shows U+FFFD for bytes of a name that are not UTF-8;
// taken as it is, that name would lead to some other file.
std::optional<FileError> RefuseUndecodedName(const QString &path, FileError::Role role)
{
    if (!path.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    return FileError(FileError::Operation::Open, role, path, FileError::Cause::UndecodableName);
}

} // namespace

// Minimise and close, but no maximise: the window's size is fixed.
Form1::Form1()
    : QWidget(nullptr, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_noticeSink(std::make_unique<MessageBoxNoticeSink>(this))
{
    AccessibleWindow::Expose(this, u"Tessaly"_s);
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Tessaly"_s);
    setWindowIcon(ProgramIcon());
    setFont(WindowFont());
    setFixedSize(TwipsToPixels(4680), TwipsToPixels(3090));

    // Created in tab order, which gives the focus chain; setTabOrder below states it outright.
    Frame1 = new QGroupBox(u"原文件"_s, this);
    Frame1->setObjectName(u"Frame1"_s);
    Frame1->setGeometry(TwipsRect(120, 120, 4335, 975));
    open_comm = createButton(Frame1, u"open_comm"_s, u"打开"_s, 120, 360, 975, 375);
    open_Text = createTextField(Frame1, u"open_Text"_s, 1320, 360, 2775, 375);

    Frame2 = new QGroupBox(u"目标文件"_s, this);
    Frame2->setObjectName(u"Frame2"_s);
    Frame2->setGeometry(TwipsRect(120, 1320, 4335, 975));
    save_comm = createButton(Frame2, u"save_comm"_s, u"保存在..."_s, 120, 360, 975, 375);
    save_Text = createTextField(Frame2, u"save_Text"_s, 1320, 360, 2775, 375);

    Command2 = createButton(this, u"Command2"_s, u"生成"_s, 720, 2520, 855, 375);
    Command3 = createButton(this, u"Command3"_s, u"关于"_s, 1800, 2520, 855, 375);
    Command4 = createButton(this, u"Command4"_s, u"拜拜"_s, 2880, 2520, 855, 375);

    QWidget::setTabOrder(Frame1, open_comm);
    QWidget::setTabOrder(open_comm, open_Text);
    QWidget::setTabOrder(open_Text, Frame2);
    QWidget::setTabOrder(Frame2, save_comm);
    QWidget::setTabOrder(save_comm, save_Text);
    QWidget::setTabOrder(save_Text, Command2);
    QWidget::setTabOrder(Command2, Command3);
    QWidget::setTabOrder(Command3, Command4);
    // The group boxes take no focus, so the first stop is the first button.
    open_comm->setFocus();

    CommonDialog1 = new CommonDialog(this);

    connect(open_comm, &QPushButton::clicked, this, &Form1::ChooseSource);
    connect(save_comm, &QPushButton::clicked, this, &Form1::ChooseDestination);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4Click);
}

// Ending through Command4 leaves the About window standing; it goes with the main window.
Form1::~Form1()
{
    delete m_about;
}

void Form1::ChooseSource()
{
    CommonDialog1->setDialogTitle(u"打开RPG文件"_s);
    CommonDialog1->setFilter(u"步步高RPG文件|*.gam|"_s);
    CommonDialog1->showOpen();
    // Written on cancel too: the field then shows whatever name the shared dialog last confirmed.
    open_Text->setText(CommonDialog1->fileName());
}

void Form1::ChooseDestination()
{
    CommonDialog1->setFileName(QString());
    CommonDialog1->setDialogTitle(u"生成Lib地址..."_s);
    CommonDialog1->setFilter(u"步步高Lib文件|*.lib|"_s);
    CommonDialog1->showSave();
    save_Text->setText(CommonDialog1->fileName());
}

void Form1::Command2Click()
{
    if (!save_Text->text().isEmpty()) {
        for (auto refused : { RefuseUndecodedName(open_Text->text(), FileError::Role::Source),
                 RefuseUndecodedName(save_Text->text(), FileError::Role::Destination) }) {
            if (refused) {
                ShowErrorReport(this, *refused);
                return;
            }
        }
    }
    const GenerateResult result = GenerateLib(open_Text->text(), save_Text->text(), *m_noticeSink);
    if (result.failed())
        ShowErrorReport(this, result.error());
}

void Form1::Command3Click()
{
    if (!m_about)
        m_about = new Form2;
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void Form1::Command4Click()
{
    QCoreApplication::exit(0);
}

QPushButton *Form1::createButton(
    QWidget *parent, const QString &name, const QString &caption, int left, int top, int width, int height)
{
    auto *button = new CommandButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(TwipsRect(left, top, width, height));
    return button;
}

QLineEdit *Form1::createTextField(
    QWidget *parent, const QString &name, int left, int top, int width, int height)
{
    auto *field = new PathLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(TwipsRect(left, top, width, height));
    return field;
}
