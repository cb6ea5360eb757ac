#include "ModuleThreads.h"
#include "ThreadBase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

// Counts iterations until asked to stop.
class Counter : public CThreadBase {
public:
    explicit Counter(std::atomic<int>* destroyed = nullptr) : destroyed_(destroyed) {}
    ~Counter() override {
        Terminate();
        if (destroyed_ != nullptr) ++*destroyed_;
    }
    std::atomic<int> iterations{0};

protected:
    DWORD Run() override {
        while (CheckPoint()) {
            ++iterations;
            std::this_thread::yield();
        }
        return 7;
    }

private:
    std::atomic<int>* destroyed_;
};

// Returns at once, freeing itself when auto-free.
class OneShot : public CThreadBase {
public:
    explicit OneShot(std::atomic<int>* destroyed) : destroyed_(destroyed) {}
    ~OneShot() override { ++*destroyed_; }

protected:
    DWORD Run() override { return 0; }

private:
    std::atomic<int>* destroyed_;
};

void WaitUntil(const std::function<bool()>& cond) {
    for (int i = 0; i < 5000 && !cond(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(ThreadBase, TerminateStopsTheBodyCooperativelyAndKeepsItsExitCode) {
    Counter c;
    EXPECT_EQ(c.GetExitCode(), 0u);
    EXPECT_TRUE(c.Start());
    EXPECT_FALSE(c.Start());  // already running
    WaitUntil([&] { return c.iterations > 10; });
    EXPECT_EQ(c.GetExitCode(), STILL_ACTIVE);
    EXPECT_TRUE(c.Terminate());
    EXPECT_FALSE(c.IsRunning());
    EXPECT_EQ(c.GetExitCode(), 7u);
    // It can run again after it ended.
    EXPECT_TRUE(c.Start());
    EXPECT_TRUE(c.Terminate());
}

TEST(ThreadBase, SuspendHoldsTheBodyAtItsNextCheckPoint) {
    Counter c;
    c.Start();
    WaitUntil([&] { return c.iterations > 0; });
    EXPECT_TRUE(c.Suspend());
    WaitUntil([&] {
        const int before = c.iterations;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return c.iterations == before;
    });
    const int held = c.iterations;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(c.iterations, held);
    c.Resume();
    WaitUntil([&] { return c.iterations > held; });
    EXPECT_GT(c.iterations, held);
    // A suspended body still ends on Terminate.
    c.Suspend();
    EXPECT_TRUE(c.Terminate());
}

TEST(ThreadBase, AutoFreeObjectIsDeletedExactlyOnceByItself) {
    std::atomic<int> destroyed{0};
    for (int i = 0; i < 20; ++i) {
        auto* t = new OneShot(&destroyed);
        t->SetAutoFree(true);
        EXPECT_TRUE(t->Start());
    }
    WaitUntil([&] { return destroyed == 20; });
    EXPECT_EQ(destroyed.load(), 20);
}

// Runs until asked to stop, freeing itself; records that it ended.
class Looper : public CThreadBase {
public:
    Looper(std::atomic<int>* started, std::atomic<int>* destroyed)
        : started_(started), destroyed_(destroyed) {}
    ~Looper() override { ++*destroyed_; }

protected:
    DWORD Run() override {
        ++*started_;
        while (!IsStopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 0;
    }

private:
    std::atomic<int>* started_;
    std::atomic<int>* destroyed_;
};

TEST(ThreadBase, StoppingAutoFreeThreadsWaitsUntilEachHasEnded) {
    std::atomic<int> started{0};
    std::atomic<int> destroyed{0};
    for (int i = 0; i < 3; ++i) {
        auto* t = new Looper(&started, &destroyed);
        t->SetAutoFree(true);
        ASSERT_TRUE(t->Start());
    }
    WaitUntil([&] { return started == 3; });
    EXPECT_EQ(destroyed.load(), 0) << "they run until asked to stop";
    CThreadBase::StopAutoFreeThreads();
    EXPECT_EQ(destroyed.load(), 3);
    CThreadBase::StopAutoFreeThreads();  // nothing left: returns at once
}

TEST(ThreadBase, DeletingARunningThreadStopsItFirst) {
    std::atomic<int> destroyed{0};
    auto* c = new Counter(&destroyed);
    c->Start();
    WaitUntil([&] { return c->iterations > 0; });
    delete c;
    EXPECT_EQ(destroyed.load(), 1);
}

}  // namespace

TEST(ModuleThreads, StopsAndJoinsWhatRunsAndAThreadOfTheSetDoesNotWaitForItself) {
    zeva::ModuleThreads set;
    std::atomic<bool> stop{false};
    std::atomic<int> ended{0};
    auto done = std::make_shared<std::atomic<bool>>(false);
    set.Add(std::thread([&, done] {
                while (!stop.load()) std::this_thread::yield();
                ++ended;
                done->store(true);
            }),
            done, [&] { stop = true; });
    set.Start([&] { ++ended; });
    set.StopAndJoinAll();
    EXPECT_EQ(ended.load(), 2) << "both ended before the call returned";

    std::promise<void> left;
    set.Start([&] {
        set.StopAndJoinAll();
        left.set_value();
    });
    EXPECT_EQ(left.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
}
