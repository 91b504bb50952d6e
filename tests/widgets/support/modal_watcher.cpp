#include "modal_watcher.h"

#include <QApplication>

namespace octest {

modal_watcher::modal_watcher() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

void modal_watcher::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == current_) return;
    current_ = modal;
    ++handled_;
    if (handlers_.empty()) {
        // Unexpected window: close it so the test fails instead of hanging.
        modal->close();
        return;
    }
    handler h = std::move(handlers_.front());
    handlers_.pop_front();
    h(*modal);
}

}  // namespace octest
