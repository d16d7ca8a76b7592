#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QMessageBox;

// Waits, from inside the nested event loop of a modal message box, for the box to come up; saves its
// picture and dismisses it, so that the click that opened the box can return.
class ModalBoxGrabber : public QObject
{
    Q_OBJECT

public:
    explicit ModalBoxGrabber(QString fileName);

    void arm();
    void disarm();
    bool saved() const { return m_saved; }
    const QString &problem() const { return m_problem; }

private:
    void poll();
    void take(QMessageBox *box);

    QString m_fileName;
    QTimer m_timer;
    int m_polls = 0;
    bool m_saved = false;
    QString m_problem;
};
