#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "platform/Clock.h"

using namespace std::chrono_literals;
using zeva::ManualClock;
using zeva::ScopedClock;

namespace {

struct Recorded {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A window on its own thread running a message loop, for cross-thread cases.
class LoopThread {
public:
    explicit LoopThread(zeva::WindowProc proc) {
        std::promise<HWND> created;
        thread_ = std::thread([&created, proc = std::move(proc)]() mutable {
            HWND h =
                zeva::CreateWindowHandle([proc](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                    if (m == zeva::WM_CLOSE) {
                        zeva::PostQuitMessage(0);
                        return 0;
                    }
                    return proc(w, m, wp, lp);
                });
            created.set_value(h);
            zeva::RunMessageLoop();
        });
        hwnd_ = created.get_future().get();
    }
    ~LoopThread() {
        zeva::PostMessage(hwnd_, zeva::WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND hwnd() const { return hwnd_; }

private:
    std::thread thread_;
    HWND hwnd_ = nullptr;
};

TEST(MessageQueue, PostedMessagesArriveInOrderThroughTheLoop) {
    std::vector<Recorded> got;
    HWND h = zeva::CreateWindowHandle([&](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        got.push_back({m, w, l});
        if (m == zeva::WM_CLOSE) zeva::PostQuitMessage(7);
        return 0;
    });
    EXPECT_TRUE(zeva::PostMessage(h, 1627, 512, 40));
    EXPECT_TRUE(zeva::PostMessage(h, 1627, 600, -1));
    EXPECT_TRUE(zeva::PostMessage(h, zeva::WM_CLOSE, 0, 0));
    EXPECT_EQ(zeva::RunMessageLoop(), 7);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].wParam, 512u);
    EXPECT_EQ(got[1].lParam, -1);
    EXPECT_EQ(got[2].message, zeva::WM_CLOSE);
    zeva::DestroyWindowHandle(h);
    EXPECT_FALSE(zeva::IsWindow(h));
    EXPECT_FALSE(zeva::PostMessage(h, 1, 0, 0));
    EXPECT_EQ(zeva::SendMessage(h, 1, 0, 0), 0);
}

TEST(MessageQueue, SendMessageFromAnotherThreadReturnsTheHandlersResult) {
    std::atomic<std::thread::id> handledOn{};
    LoopThread loop([&](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        handledOn = std::this_thread::get_id();
        return m == zeva::WM_USER ? static_cast<LRESULT>(w) * 10 + l : 0;
    });
    EXPECT_EQ(zeva::SendMessage(loop.hwnd(), zeva::WM_USER, 4, 2), 42);
    EXPECT_NE(handledOn.load(), std::this_thread::get_id());

    // On the owner's thread the procedure is called directly.
    HWND local = zeva::CreateWindowHandle(
        [](HWND, UINT, WPARAM w, LPARAM) -> LRESULT { return static_cast<LRESULT>(w) + 1; });
    EXPECT_EQ(zeva::SendMessage(local, zeva::WM_USER, 41, 0), 42);
    zeva::DestroyWindowHandle(local);
}

TEST(MessageQueue, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    HWND mine = zeva::CreateWindowHandle(
        [](HWND, UINT, WPARAM w, LPARAM) -> LRESULT { return static_cast<LRESULT>(w) + 100; });
    LoopThread other([&](HWND, UINT, WPARAM w, LPARAM) -> LRESULT {
        // While this thread's caller waits for us, we send back to it.
        return zeva::SendMessage(mine, zeva::WM_USER, w, 0) + 1;
    });
    EXPECT_EQ(zeva::SendMessage(other.hwnd(), zeva::WM_USER, 5, 0), 106);
    zeva::DestroyWindowHandle(mine);
}

TEST(MessageQueue, PostsFromManyThreadsKeepEachSendersOrder) {
    std::vector<std::pair<WPARAM, LPARAM>> got;
    HWND h = zeva::CreateWindowHandle([&](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == zeva::WM_USER) got.emplace_back(w, l);
        return 0;
    });
    constexpr int kSenders = 6;
    constexpr int kEach = 300;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([h, s] {
            for (int i = 0; i < kEach; ++i)
                zeva::PostMessage(h, zeva::WM_USER, static_cast<WPARAM>(s), i);
        });
    }
    for (auto& t : senders) t.join();
    zeva::PumpMessages();
    ASSERT_EQ(got.size(), static_cast<size_t>(kSenders * kEach));
    std::vector<LPARAM> next(kSenders, 0);
    for (const auto& [s, i] : got) {
        EXPECT_EQ(i, next[s]) << "sender " << s;
        next[s] = i + 1;
    }
    zeva::DestroyWindowHandle(h);
}

TEST(MessageQueue, SenderIsReleasedWhenTheOwnerThreadEnds) {
    std::promise<HWND> created;
    std::promise<void> proceed;
    std::thread owner([&] {
        created.set_value(
            zeva::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 1; }));
        proceed.get_future().wait();  // never pumps its queue, then ends
    });
    HWND h = created.get_future().get();
    auto result =
        std::async(std::launch::async, [h] { return zeva::SendMessage(h, zeva::WM_USER, 0, 0); });
    proceed.set_value();
    owner.join();
    EXPECT_EQ(result.get(), 0);
    EXPECT_FALSE(zeva::IsWindow(h));
}

// Every thread that touches the message layer gets a queue, retired as the
// thread ends: many short-lived ones in a row end cleanly, their windows gone.
TEST(MessageQueue, ShortLivedThreadsEachRetireTheirQueue) {
    constexpr int kRounds = 25;
    constexpr int kThreads = 8;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<HWND> made(kThreads, nullptr);
        std::vector<LRESULT> answers(kThreads, 0);
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&made, &answers, i] {
                made[i] = zeva::CreateWindowHandle([](HWND, UINT, WPARAM w, LPARAM) -> LRESULT {
                    return static_cast<LRESULT>(w);
                });
                answers[i] = zeva::SendMessage(made[i], zeva::WM_USER, 40 + i, 0);
                zeva::PostMessage(made[i], zeva::WM_USER, 0, 0);  // left in the queue
            });
        }
        for (auto& t : threads) t.join();
        for (int i = 0; i < kThreads; ++i) {
            EXPECT_EQ(answers[i], 40 + i);
            EXPECT_FALSE(zeva::IsWindow(made[i])) << "round " << round << ", thread " << i;
        }
    }
}

TEST(Timers, FireInDueOrderUnderTheManualClock) {
    ManualClock clock;
    ScopedClock installed(clock);
    std::vector<std::pair<WPARAM, long long>> fired;
    HWND h = zeva::CreateWindowHandle([&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == zeva::WM_TIMER) fired.emplace_back(w, clock.Now().count());
        return 0;
    });
    zeva::SetTimer(h, 1, 300);
    zeva::SetTimer(h, 2, 200);
    clock.Advance(500ms);
    EXPECT_EQ(fired, (std::vector<std::pair<WPARAM, long long>>{{2, 200}, {1, 300}, {2, 400}}));
    EXPECT_TRUE(zeva::KillTimer(h, 2));
    EXPECT_FALSE(zeva::KillTimer(h, 2));
    fired.clear();
    clock.Advance(400ms);
    EXPECT_EQ(fired, (std::vector<std::pair<WPARAM, long long>>{{1, 600}, {1, 900}}));
    zeva::DestroyWindowHandle(h);
    fired.clear();
    clock.Advance(1000ms);
    EXPECT_TRUE(fired.empty());
}

TEST(Timers, ReArmingAnIdReplacesItAndFiresOnce) {
    ManualClock clock;
    ScopedClock installed(clock);
    std::vector<long long> fired;
    HWND h = zeva::CreateWindowHandle([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == zeva::WM_TIMER) fired.push_back(clock.Now().count());
        return 0;
    });
    EXPECT_EQ(zeva::SetTimer(h, 9, 100), 9u);
    clock.Advance(50ms);
    zeva::SetTimer(h, 9, 100);
    clock.Advance(100ms);
    EXPECT_EQ(fired, (std::vector<long long>{150}));
    zeva::DestroyWindowHandle(h);
    EXPECT_EQ(zeva::SetTimer(h, 1, 10), 0u);
}

TEST(Timers, AHandlerMayStopItsOwnTimer) {
    ManualClock clock;
    ScopedClock installed(clock);
    int count = 0;
    HWND h = nullptr;
    h = zeva::CreateWindowHandle([&](HWND w, UINT m, WPARAM id, LPARAM) -> LRESULT {
        if (m == zeva::WM_TIMER && ++count == 3) zeva::KillTimer(w, id);
        return 0;
    });
    zeva::SetTimer(h, 1, 500);
    clock.Advance(10000ms);
    EXPECT_EQ(count, 3);
    zeva::DestroyWindowHandle(h);
}

TEST(Timers, RunOnTheSystemClockThroughTheLoop) {
    int count = 0;
    HWND h = zeva::CreateWindowHandle([&](HWND w, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == zeva::WM_TIMER && ++count == 2) {
            zeva::KillTimer(w, 1);
            zeva::PostQuitMessage(0);
        }
        return 0;
    });
    zeva::SetTimer(h, 1, 10);
    EXPECT_EQ(zeva::RunMessageLoop(), 0);
    EXPECT_EQ(count, 2);
    zeva::DestroyWindowHandle(h);
}

TEST(Wakeup, RingsForPostsSendsTimersAndQuitFromAnyThread) {
    // An outside loop (a GUI toolkit's) learns of every arrival without polling.
    std::atomic<int> rings{0};
    zeva::SetMessageWakeup([&] { ++rings; });
    int handled = 0;
    HWND h = zeva::CreateWindowHandle([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == zeva::WM_USER) ++handled;
        return 7;
    });
    std::thread([h] { zeva::PostMessage(h, zeva::WM_USER, 0, 0); }).join();
    EXPECT_EQ(rings.load(), 1);
    EXPECT_EQ(zeva::PumpMessages(), 1u);
    EXPECT_EQ(handled, 1);

    // A cross-thread send rings and waits until the owner pumps.
    std::promise<LRESULT> result;
    std::thread sender([&] { result.set_value(zeva::SendMessage(h, zeva::WM_USER, 0, 0)); });
    while (rings.load() < 2) std::this_thread::yield();
    zeva::PumpMessages();
    sender.join();
    EXPECT_EQ(result.get_future().get(), 7);
    EXPECT_EQ(handled, 2);

    {
        ManualClock clock;
        ScopedClock installed(clock);
        zeva::SetTimer(h, 1, 100);
        zeva::KillTimer(h, 1);
        const int before = rings.load();
        zeva::SetTimer(h, 2, 100);
        std::thread([&] { clock.Advance(100ms); }).join();
        EXPECT_EQ(rings.load(), before + 1) << "a timer falling due on another thread rings";
        zeva::KillTimer(h, 2);
        zeva::PumpMessages();
    }

    int code = 0;
    EXPECT_FALSE(zeva::TakeQuitRequest(&code));
    const int before = rings.load();
    zeva::PostQuitMessage(4);
    EXPECT_EQ(rings.load(), before + 1);
    EXPECT_TRUE(zeva::TakeQuitRequest(&code));
    EXPECT_EQ(code, 4);
    EXPECT_FALSE(zeva::TakeQuitRequest(&code)) << "taken once";

    zeva::SetMessageWakeup({});
    zeva::PostMessage(h, zeva::WM_USER, 0, 0);
    EXPECT_EQ(rings.load(), before + 1) << "removed";
    zeva::PumpMessages();
    zeva::DestroyWindowHandle(h);
}

}  // namespace
