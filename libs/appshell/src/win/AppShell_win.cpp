// The window system on Windows: the Win32 renderer and the Windows message
// loop; where that renderer is not built, the model's own loop with a
// renderer that draws nothing (modal dialogs still wait for their end).
#include "AppShell.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "ImageDialog.h"
#include "platform/MessageQueue.h"
#if defined(ZEVA_HAVE_WIN32_RENDERER)
#include "Win32Renderer.h"
#else
#include "HeadlessRenderer.h"
#endif

namespace zeva::ui {

namespace {

#if !defined(ZEVA_HAVE_WIN32_RENDERER)
// Draws nothing; a modal dialog runs the loop until it ends, as on screen.
class LoopRenderer : public HeadlessRenderer {
public:
    LoopRenderer() { SetRenderer(this); }
    ~LoopRenderer() override { SetRenderer(nullptr); }
    void RunModalLoop(CImageDialog& dlg) override {
        while (!dlg.IsEnded()) {
            MSG msg;
            if (!GetMessage(msg)) {
                // The program is quitting: the dialog ends, the outer loop
                // sees the request again.
                int code = 0;
                TakeQuitRequest(&code);
                PostQuitMessage(code);
                return;
            }
            DispatchMessage(msg);
        }
    }
    void SetScreenshotDir(const std::string&) {}
    int ScreenshotFailures() const { return 0; }
};
#endif

// Real time on the UI thread: one thread waits for the next due call and
// posts it to a window of the UI thread.
class Scheduler {
public:
    Scheduler() {
        window_ = CreateWindowHandle([this](HWND, UINT m, WPARAM id, LPARAM) -> LRESULT {
            if (m == kRunMessage) Run(static_cast<unsigned long>(id));
            return 0;
        });
        thread_ = std::thread([this] { Wait(); });
    }
    ~Scheduler() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
        DestroyWindowHandle(window_);
    }
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    void Add(int ms, std::function<void()> fn) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const unsigned long id = ++next_;
            calls_[id] = std::move(fn);
            due_.emplace(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), id);
        }
        wake_.notify_all();
    }

private:
    static constexpr UINT kRunMessage = WM_USER + 0x7A1;

    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            if (due_.empty()) {
                wake_.wait(lock);
                continue;
            }
            const auto next = due_.begin();
            if (next->first > std::chrono::steady_clock::now()) {
                wake_.wait_until(lock, next->first);
                continue;
            }
            const unsigned long id = next->second;
            due_.erase(next);
            PostMessage(window_, kRunMessage, id, 0);
        }
    }
    void Run(unsigned long id) {
        std::function<void()> fn;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto it = calls_.find(id);
            if (it == calls_.end()) return;
            fn = std::move(it->second);
            calls_.erase(it);
        }
        fn();
    }

    HWND window_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<std::chrono::steady_clock::time_point, unsigned long> due_;
    std::map<unsigned long, std::function<void()>> calls_;
    unsigned long next_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace

struct AppShell::Impl {
#if defined(ZEVA_HAVE_WIN32_RENDERER)
    Win32Renderer renderer;
#else
    LoopRenderer renderer;
#endif
    Scheduler scheduler;
};

bool AppShell::Available() {
    return true;
}

AppShell::AppShell(const char*) : impl_(std::make_unique<Impl>()) {}

AppShell::~AppShell() = default;

void AppShell::SetScreenshotDir(const std::string& dir) {
    impl_->renderer.SetScreenshotDir(dir);
}

bool AppShell::Screenshot(CWnd& top, const std::string& pngPath) {
    return impl_->renderer.Screenshot(top, pngPath);
}

int AppShell::ScreenshotFailures() const {
    return impl_->renderer.ScreenshotFailures();
}

void AppShell::Later(int ms, std::function<void()> fn) {
    impl_->scheduler.Add(ms, std::move(fn));
}

int AppShell::Run() {
#if defined(ZEVA_HAVE_WIN32_RENDERER)
    return RunWin32MessageLoop();
#else
    return RunMessageLoop();
#endif
}

void AppShell::Exit(int code) {
    PostQuitMessage(code);
}

}  // namespace zeva::ui
