#pragma once
// A gate a worker thread waits at until the test opens it: holds a fake
// service's answer so a test can act while the call is still running.

#include <condition_variable>
#include <mutex>

namespace zeva::test {

class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> hold(m_);
        open_ = true;
        cv_.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> hold(m_);
        cv_.wait(hold, [this] { return open_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
};

}  // namespace zeva::test
