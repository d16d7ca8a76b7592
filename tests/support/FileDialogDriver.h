#pragma once

#include "ModalWatcher.h"
#include "SeenFileDialog.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QFileDialog;

// Answers the file dialogs that come up, one queued answer per dialog, and records how each looked.
// Whatever does not go as answered (no answer left, a name refused, an unexpected question) is counted
// and the dialog cancelled, so a test fails instead of hanging.
class FileDialogDriver : public QObject
{
    Q_OBJECT

public:
    explicit FileDialogDriver(QObject *parent = nullptr);

    // Enters `path` into the file name field and presses the dialog's accept button. A relative path is
    // taken in `directory` when one is given, as if the user had gone there first.
    void confirm(const QString &path, const QString &directory = QString());
    // As confirm(), and answers yes when the dialog asks whether to replace the file.
    void confirmReplacing(const QString &path);
    void cancel();

    const QList<SeenFileDialog> &seen() const { return m_seen; }
    // The texts of the message boxes the dialogs raised while being answered.
    const QStringList &questions() const { return m_questions; }
    int unexpected() const { return m_unexpected; }
    int pending() const { return int(m_answers.size()); }

private:
    struct Answer
    {
        bool confirm = false;
        QString path;
        QString directory;
        bool replace = false;
    };

    bool handle(QWidget *widget);
    void accept(QFileDialog &dialog, const Answer &answer);
    static SeenFileDialog record(const QFileDialog &dialog);

    ModalWatcher m_watcher;
    QList<Answer> m_answers;
    QList<SeenFileDialog> m_seen;
    QStringList m_questions;
    int m_unexpected = 0;
};
