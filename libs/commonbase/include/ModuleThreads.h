#pragma once
// The threads one module (program or plug-in) has started and not yet
// joined. The libraries are static, so each plug-in keeps its own sets;
// destroying a set when the library unloads asks each thread to stop and
// joins it, so no thread runs code of an unloaded library. Threads that
// have ended are joined whenever another is added.

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace zeva {

class ModuleThreads {
public:
    ModuleThreads() = default;
    ModuleThreads(const ModuleThreads&) = delete;
    ModuleThreads& operator=(const ModuleThreads&) = delete;
    ~ModuleThreads() { StopAndJoinAll(); }

    // Takes a running thread; `done` turns true as its body's last act and
    // `stop` (when given) asks the body to end.
    void Add(std::thread thread, std::shared_ptr<std::atomic<bool>> done,
             std::function<void()> stop = {});
    // Runs `body` on a new thread of this set.
    void Start(std::function<void()> body);
    // Asks every thread to stop and waits until each has ended; a thread
    // calling it does not wait for itself.
    void StopAndJoinAll();

private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
        std::function<void()> stop;
    };
    void ReapLocked();

    std::mutex lock_;
    std::list<Entry> threads_;
};

}  // namespace zeva
