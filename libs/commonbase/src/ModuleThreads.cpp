#include "ModuleThreads.h"

namespace zeva {

void ModuleThreads::Add(std::thread thread, std::shared_ptr<std::atomic<bool>> done,
                        std::function<void()> stop) {
    std::lock_guard<std::mutex> hold(lock_);
    ReapLocked();
    threads_.push_back(Entry{std::move(thread), std::move(done), std::move(stop)});
}

void ModuleThreads::Start(std::function<void()> body) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard<std::mutex> hold(lock_);
    ReapLocked();
    threads_.push_back(Entry{std::thread([body = std::move(body), done]() mutable {
                                 body();
                                 body = nullptr;  // captures die on the thread, not at the join
                                 done->store(true, std::memory_order_release);
                             }),
                             done,
                             {}});
}

void ModuleThreads::StopAndJoinAll() {
    std::list<Entry> all;
    {
        std::lock_guard<std::mutex> hold(lock_);
        all.swap(threads_);
    }
    for (Entry& e : all) {
        if (e.thread.get_id() == std::this_thread::get_id()) {
            e.thread.detach();
            continue;
        }
        if (e.stop) e.stop();
        if (e.thread.joinable()) e.thread.join();
    }
}

void ModuleThreads::ReapLocked() {
    for (auto it = threads_.begin(); it != threads_.end();) {
        if (it->done->load(std::memory_order_acquire)) {
            it->thread.join();
            it = threads_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace zeva
