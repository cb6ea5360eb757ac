#pragma once
// Drives the UI thread's message queue from Qt's event loop. A post, send
// or timer from any thread rings the queue's doorbell; the doorbell posts
// one Qt event to this object (coalesced while one is pending), and its
// handler runs PumpMessages on the UI thread. No polling timer is involved.
// PostQuitMessage on the UI thread ends the Qt event loop with its code.

#include <QObject>
#include <atomic>
#include <memory>
#include <mutex>

namespace zeva::ui {

class QtMessagePump : public QObject {
public:
    QtMessagePump();
    ~QtMessagePump() override;
    // Messages handled by this pump so far.
    std::size_t Handled() const { return handled_; }

protected:
    bool event(QEvent* e) override;

private:
    struct Bell {
        std::mutex mutex;
        QObject* target = nullptr;
        std::atomic<bool> pending{false};
    };
    std::shared_ptr<Bell> bell_;
    std::size_t handled_ = 0;
};

}  // namespace zeva::ui
