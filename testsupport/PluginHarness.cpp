#include "PluginHarness.h"

#include <chrono>
#include <thread>

#include "DlgSubPage.h"
#include "PlugContract.h"
#include "PluginLibrary.h"
#include "TestSupport.h"
#include "platform/WindowFinder.h"

namespace zeva::test {

PluginHarness::PluginHarness(const std::string& libraryPath, bool manualClock) {
    if (manualClock) {
        clock_ = std::make_unique<ManualClock>();
        scopedClock_ = std::make_unique<ScopedClock>(*clock_);
    }
    host_ = CreateWindowHandle([this](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg == plug::kMsgOpenTool && w)
            toolsOpened_.emplace_back(reinterpret_cast<const char*>(w));
        if (msg == plug::kMsgPageClosed) pagesClosed_.push_back(static_cast<int>(w));
        return 0;
    });
    // Registered in this test's own runtime folder: no other test's program finds it.
    PrivateRuntimeDir();
    RegisterWindowClassName(host_, plug::kHostWindowClass);
    library_ = OpenPluginLibrary(libraryPath, error_);
}

PluginHarness::~PluginHarness() {
    if (library_) {
        // As the host does: PlugUnInit, then the kit's unload hook (page
        // closed, workers joined), then the library goes.
        UnInit();
        if (auto unload = reinterpret_cast<void (*)()>(Symbol(plug::kPlugUnload))) unload();
        driver_.Pump();
        ClosePluginLibrary(library_);
    }
    UnregisterWindowClassName(host_);
    DestroyWindowHandle(host_);
}

void* PluginHarness::Symbol(const char* name) const {
    return library_ ? PluginSymbol(library_, name) : nullptr;
}

CDlgSubPage* PluginHarness::Open(CWnd* parent) {
    auto create = reinterpret_cast<PlugCreateFn>(Symbol(plug::kPlugCreate));
    if (!create) return nullptr;
    create(parent);
    driver_.Pump();
    return Page();
}

CDlgSubPage* PluginHarness::Page() const {
    auto page = reinterpret_cast<CDlgSubPage* (*)()>(Symbol("ZevaPlugPage"));
    return page ? page() : nullptr;
}

bool PluginHarness::Init() {
    auto init = reinterpret_cast<PlugInitFn>(Symbol(plug::kPlugInit));
    return init && init();
}

bool PluginHarness::UnInit() {
    auto uninit = reinterpret_cast<PlugUnInitFn>(Symbol(plug::kPlugUnInit));
    return uninit && uninit();
}

bool PluginHarness::AdvanceUntil(const std::function<bool()>& done, int ms, int stepMs) {
    if (!clock_) return PumpUntil(done, ms);
    driver_.Pump();
    for (int passed = 0; !done(); passed += stepMs) {
        if (passed >= ms) return false;
        driver_.Advance(stepMs);
    }
    return true;
}

bool PluginHarness::PumpUntil(const std::function<bool()>& done, int realMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realMs);
    for (;;) {
        driver_.Pump();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace zeva::test
