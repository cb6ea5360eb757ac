// The toolbox's exports. PlugInit starts the regional plug-in update in the
// background; PlugUnInit and the library's unloading wait for it to stop.

#include <cstdlib>
#include <mutex>

#include "DlgTreasureBox.h"
#include "PluginExports.h"
#include "ToolboxResources.h"
#include "UpdatePlugThread.h"
#include "ZEVAUpdateIntf.h"

ZEVA_DEFINE_PLUGIN(CDlgTreasureBox, toolbox::kPageTemplate)

namespace {

void StopUpdates() {
    CThreadBase::StopAutoFreeThreads();
}

bool Init() {
    // The download and cipher libraries register their clean-up at exit on
    // first use. Set up here, before ours is registered, they are cleaned up
    // only after a host that ends without PlugUnInit has stopped the update.
    static std::once_flag once;
    std::call_once(once, [] {
        CZEVAUpdateIntf warmUp({}, false);
        std::atexit(StopUpdates);
    });
    auto* thread = new CUpdatePlugThread();
    thread->SetAutoFree(true);
    thread->Start();
    return true;
}

// The host is about to unload the library: the page's windows (and the
// strip's timer) go while the host's message layer and clock still exist,
// and no update thread outlives the call.
bool UnInit() {
    StopUpdates();
    if (ZevaThePage().GetSafeHwnd()) ZevaThePage().DestroyWindow();
    return true;
}

// Runs before the library's static objects go at unload: no update thread
// may still be running code of this library afterwards.
__attribute__((destructor)) void StopUpdatesAtUnload() {
    StopUpdates();
}

}  // namespace

ZEVA_DEFINE_PLUGIN_INIT(Init, UnInit)
