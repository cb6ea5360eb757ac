#pragma once
// A plug-in loaded as the host loads it, headless and (by default) on a
// manual clock: a stand-in host window of class "ZEVACLIENT" records what
// the pages tell the host (tools picked, pages closed), and the headless
// driver acts as the user.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HeadlessRenderer.h"
#include "platform/Clock.h"

class CDlgSubPage;

namespace zeva::test {

class PluginHarness {
public:
    explicit PluginHarness(const std::string& libraryPath, bool manualClock = true);
    ~PluginHarness();
    PluginHarness(const PluginHarness&) = delete;
    PluginHarness& operator=(const PluginHarness&) = delete;

    bool Loaded() const { return library_ != nullptr; }
    const std::string& Error() const { return error_; }

    // PlugCreate(parent), then the queue runs; the page object (ZevaPlugPage).
    CDlgSubPage* Open(CWnd* parent = nullptr);
    CDlgSubPage* Page() const;
    // PlugInit/PlugUnInit; false when the plug-in has none.
    bool Init();
    bool UnInit();
    // Any other export of the library.
    void* Symbol(const char* name) const;

    zeva::ui::HeadlessDriver& Driver() { return driver_; }
    // Null when the harness runs on the real clock.
    zeva::ManualClock* Clock() { return clock_.get(); }
    // Advances the manual clock in `stepMs` steps (timers fire on the way)
    // until `done` holds or `ms` have passed; on the real clock it pumps for
    // up to `ms` of real time.
    bool AdvanceUntil(const std::function<bool()>& done, int ms, int stepMs = 100);
    // Pumps the queue, in real time, until `done` holds (work on worker threads).
    bool PumpUntil(const std::function<bool()>& done, int realMs = 5000);

    // What reached the stand-in host window.
    const std::vector<std::string>& ToolsOpened() const { return toolsOpened_; }
    const std::vector<int>& PagesClosed() const { return pagesClosed_; }

private:
    std::unique_ptr<zeva::ManualClock> clock_;
    std::unique_ptr<zeva::ScopedClock> scopedClock_;
    zeva::ui::HeadlessDriver driver_;
    void* library_ = nullptr;
    std::string error_;
    HWND host_ = nullptr;
    std::vector<std::string> toolsOpened_;
    std::vector<int> pagesClosed_;
};

}  // namespace zeva::test
