#include "ModalWatcher.h"

#include <QApplication>

#include <utility>

ModalWatcher::ModalWatcher(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
    m_timer.start();
}

void ModalWatcher::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    // A dismissed box can still be the active modal widget until its exec() unwinds; a box made later at
    // the same address is a new object, which a guarded pointer tells apart.
    for (const QPointer<QWidget> &handled : std::as_const(m_handled)) {
        if (handled == modal)
            return;
    }
    if (m_handler(modal)) {
        m_handled.append(modal);
        ++m_handledCount;
    }
}
