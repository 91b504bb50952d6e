// For code that shows real modal windows (the loaded library, which has
// its own copy of the message module): polls for the active modal widget
// and hands each new one to the next queued handler, which must close it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>

namespace octest {

class modal_watcher {
public:
    using handler = std::function<void(QWidget&)>;

    modal_watcher();
    void expect(handler h) { handlers_.push_back(std::move(h)); }
    int handled() const { return handled_; }
    bool all_handled() const { return handlers_.empty(); }

private:
    void poll();

    QTimer timer_;
    std::deque<handler> handlers_;
    QPointer<QWidget> current_;
    int handled_ = 0;
};

}  // namespace octest
