#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

// Offers the visible modal widget, if any, to a handler every 20 ms while a test is blocked in a modal
// exec(). Only modal widgets are ever offered, so whatever a handler sees was modal.
class ModalWatcher
{
public:
    explicit ModalWatcher(std::function<void(QWidget *)> handle)
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [handle = std::move(handle)] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible())
                handle(modal);
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

struct SeenBox
{
    QString text;
    QString title;
    QMessageBox::Icon icon;
    QStringList buttons;
    QWidget *owner;
    bool busyCursor;
};

// Records each message box and clicks its first button, as a user would.
class MessageBoxRecorder
{
public:
    QList<SeenBox> boxes;

private:
    void record(QWidget *widget)
    {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box)
            return;
        QStringList buttons;
        for (const QAbstractButton *button : box->buttons())
            buttons.append(button->text());
        boxes.append({ box->text(), box->windowTitle(), box->icon(), buttons, box->parentWidget(),
            QGuiApplication::overrideCursor() != nullptr });
        if (buttons.isEmpty())
            box->reject();
        else
            QTest::mouseClick(box->buttons().constFirst(), Qt::LeftButton);
    }

    ModalWatcher m_watcher { [this](QWidget *widget) { record(widget); } };
};

struct SeenFileDialog
{
    QString title;
    QStringList nameFilters;
    QString fileName; // the name field as the dialog came up
    QFileDialog::AcceptMode mode;
};

// Answers each file dialog with the next of `answers`: a path is typed into the name field and confirmed,
// an empty one cancels. A dialog without an answer, or refusing its name, is counted and cancelled.
class FileDialogAnswerer
{
public:
    QStringList answers;
    QList<SeenFileDialog> seen;
    int unexpected = 0;

private:
    void answer(QWidget *widget)
    {
        auto *dialog = qobject_cast<QFileDialog *>(widget);
        if (!dialog)
            return;
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        seen.append({ dialog->windowTitle(), dialog->nameFilters(), name ? name->text() : QString(),
            dialog->acceptMode() });
        if (answers.isEmpty() || !name || !buttons) {
            ++unexpected;
            dialog->reject();
            return;
        }
        const QString path = answers.takeFirst();
        if (path.isEmpty()) {
            QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
            return;
        }
        name->setText(path);
        // A question the dialog asks before it closes (replace the file? no such file?) is unexpected.
        ModalWatcher question([this](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                ++unexpected;
                box->reject();
            }
        });
        const bool save = dialog->acceptMode() == QFileDialog::AcceptSave;
        QTest::mouseClick(
            buttons->button(save ? QDialogButtonBox::Save : QDialogButtonBox::Open), Qt::LeftButton);
        if (dialog->isVisible()) {
            ++unexpected;
            dialog->reject();
        }
    }

    ModalWatcher m_watcher { [this](QWidget *widget) { answer(widget); } };
};
