#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class CommonDialog;
class Form2;
class MessageBoxNoticeSink;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QString;

// The main window: the source and destination paths, the buttons that choose them, and the actions.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    Form1();
    ~Form1() override;

private:
    void ChooseSource();
    void ChooseDestination();
    void Command2Click();
    void Command3Click();
    void Command4Click();

    QPushButton *createButton(QWidget *parent, const QString &name, const QString &caption, int left, int top,
        int width, int height);
    QLineEdit *createTextField(
        QWidget *parent, const QString &name, int left, int top, int width, int height);

    QGroupBox *Frame1;
    QPushButton *open_comm;
    QLineEdit *open_Text;
    QGroupBox *Frame2;
    QPushButton *save_comm;
    QLineEdit *save_Text;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4;
    CommonDialog *CommonDialog1;

    std::unique_ptr<MessageBoxNoticeSink> m_noticeSink;
    QPointer<Form2> m_about;
};
