#pragma once

#include "DialogResult.h"
#include "FileDialogState.h"

#include <QObject>

class QFileDialog;
class QWidget;

// The one open/save dialog object of the main window. Its file name outlives each showing, so the open
// and the save dialog share it: a confirmed dialog stores the chosen path, a cancelled one leaves it alone.
class CommonDialog : public QObject
{
    Q_OBJECT

public:
    explicit CommonDialog(QWidget *owner);

    const FileDialogState &state() const { return m_state; }
    QString fileName() const { return m_state.fileName; }
    void setFileName(const QString &fileName) { m_state.fileName = fileName; }
    void setDialogTitle(const QString &title) { m_state.title = title; }
    void setFilter(const QString &filter) { m_state.filter = filter; }

    // Both are modal to the owner and return once the user has confirmed or cancelled.
    DialogResult showOpen();
    DialogResult showSave();

private:
    DialogResult run(QFileDialog &dialog);

    QWidget *m_owner;
    FileDialogState m_state;
};
