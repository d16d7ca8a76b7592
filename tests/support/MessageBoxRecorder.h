#pragma once

#include "ModalWatcher.h"
#include "RecordedMessageBox.h"

#include <QList>
#include <QObject>

// Records each modal message box and dismisses it by clicking its first button, as a user would. Any
// other modal widget is left alone.
class MessageBoxRecorder : public QObject
{
    Q_OBJECT

public:
    explicit MessageBoxRecorder(QObject *parent = nullptr);

    const QList<RecordedMessageBox> &boxes() const { return m_boxes; }

private:
    bool handle(QWidget *widget);

    ModalWatcher m_watcher;
    QList<RecordedMessageBox> m_boxes;
};
