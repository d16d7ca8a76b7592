#include "FileDialogDriver.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

FileDialogDriver::FileDialogDriver(QObject *parent)
    : QObject(parent)
    , m_watcher([this](QWidget *widget) { return handle(widget); }, this)
{
}

void FileDialogDriver::confirm(const QString &path, const QString &directory)
{
    m_answers.append({ true, path, directory, false });
}

void FileDialogDriver::confirmReplacing(const QString &path)
{
    m_answers.append({ true, path, QString(), true });
}

void FileDialogDriver::cancel()
{
    m_answers.append({ false, QString(), QString(), false });
}

bool FileDialogDriver::handle(QWidget *widget)
{
    auto *dialog = qobject_cast<QFileDialog *>(widget);
    if (!dialog)
        return false;
    m_seen.append(record(*dialog));

    auto *buttonBox = dialog->findChild<QDialogButtonBox *>(u"buttonBox"_s);
    auto *fileNameEdit = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
    if (m_answers.isEmpty() || !buttonBox || !fileNameEdit) {
        ++m_unexpected;
        dialog->reject();
        return true;
    }

    const Answer answer = m_answers.takeFirst();
    if (!answer.confirm) {
        QTest::mouseClick(buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        return true;
    }
    if (!answer.directory.isEmpty())
        dialog->setDirectory(answer.directory);
    fileNameEdit->setText(answer.path);
    accept(*dialog, answer);
    // The dialog refused the name: count it and get out.
    if (dialog->isVisible()) {
        ++m_unexpected;
        dialog->reject();
    }
    return true;
}

void FileDialogDriver::accept(QFileDialog &dialog, const Answer &answer)
{
    // The dialog may ask a question of its own before it closes, in a nested modal box.
    ModalWatcher questionWatcher([this, &answer](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box)
            return false;
        m_questions.append(box->text());
        QAbstractButton *button = box->button(answer.replace ? QMessageBox::Yes : QMessageBox::No);
        if (!answer.replace)
            ++m_unexpected;
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        else
            box->reject();
        return true;
    });
    auto *buttonBox = dialog.findChild<QDialogButtonBox *>(u"buttonBox"_s);
    const QDialogButtonBox::StandardButton acceptButton
        = dialog.acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open;
    QTest::mouseClick(buttonBox->button(acceptButton), Qt::LeftButton);
}

SeenFileDialog FileDialogDriver::record(const QFileDialog &dialog)
{
    SeenFileDialog seen;
    seen.title = dialog.windowTitle();
    seen.nameFilters = dialog.nameFilters();
    if (const auto *fileNameEdit = dialog.findChild<QLineEdit *>(u"fileNameEdit"_s))
        seen.fileNameText = fileNameEdit->text();
    seen.selectedFiles = dialog.selectedFiles();
    seen.acceptMode = dialog.acceptMode();
    seen.fileMode = dialog.fileMode();
    seen.options = dialog.options();
    seen.defaultSuffix = dialog.defaultSuffix();
    seen.ownerName = dialog.parentWidget() ? dialog.parentWidget()->objectName() : QString();
    seen.modal = dialog.isModal();
    return seen;
}
