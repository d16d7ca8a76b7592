#include "CommonDialog.h"

#include "FileFilter.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>
#include <QWidget>

using namespace Qt::StringLiterals;

CommonDialog::CommonDialog(QWidget *owner)
    : QObject(owner)
    , m_owner(owner)
{
    setObjectName(u"CommonDialog1"_s);
}

DialogResult CommonDialog::showOpen()
{
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return run(dialog);
}

DialogResult CommonDialog::showSave()
{
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    return run(dialog);
}

DialogResult CommonDialog::run(QFileDialog &dialog)
{
    dialog.setWindowTitle(m_state.title);
    const QString nameFilter = ToQtNameFilter(m_state.filter);
    if (!nameFilter.isEmpty())
        dialog.setNameFilter(nameFilter);
    // Qt's dialog shows only the name of a file in the folder it opens, given the name in its own separators.
    if (!m_state.fileName.isEmpty())
        dialog.selectFile(QDir::fromNativeSeparators(m_state.fileName));

    if (dialog.exec() != QDialog::Accepted)
        return DialogResult::Cancelled;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return DialogResult::Cancelled;
    m_state.fileName = QDir::toNativeSeparators(chosen.constFirst());
    return DialogResult::Confirmed;
}
