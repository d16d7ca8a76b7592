#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Hands every modal widget that turns up to a handler while a test is blocked in a modal exec(). The
// handler returns true once it has dealt with the widget; that widget is then not offered again.
class ModalWatcher : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<bool(QWidget *)>;

    explicit ModalWatcher(Handler handler, QObject *parent = nullptr);

    int handledCount() const { return m_handledCount; }

private:
    void poll();

    Handler m_handler;
    QTimer m_timer;
    QList<QPointer<QWidget>> m_handled;
    int m_handledCount = 0;
};
