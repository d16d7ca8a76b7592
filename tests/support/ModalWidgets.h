#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// While a test waits in a modal exec(), hands the visible modal widget to `handle` every 20 ms, so that
// real message boxes and file dialogs are answered as a person would; for as long as the timer lives.
inline std::unique_ptr<QTimer> WatchModals(std::function<void(QWidget *)> handle)
{
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [handle = std::move(handle)] {
        if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->isVisible())
            handle(modal);
    });
    timer->start(20);
    return timer;
}
