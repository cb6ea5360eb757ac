// The toolbox's exports. PlugInit starts the regional plug-in update in the
// background; PlugUnInit and the library's unloading wait for it to stop.

#include "DlgTreasureBox.h"
#include "PluginExports.h"
#include "ToolboxResources.h"
#include "UpdatePlugThread.h"

ZEVA_DEFINE_PLUGIN(CDlgTreasureBox, toolbox::kPageTemplate)

namespace {

bool Init() {
    auto* thread = new CUpdatePlugThread();
    thread->SetAutoFree(true);
    thread->Start();
    return true;
}

// The host is about to unload the library: the page's windows (and the
// strip's timer) go while the host's message layer and clock still exist,
// and no update thread outlives the call.
bool UnInit() {
    CThreadBase::StopAutoFreeThreads();
    if (ZevaThePage().GetSafeHwnd()) ZevaThePage().DestroyWindow();
    return true;
}

// Runs before the library's static objects go at unload: no update thread
// may still be running code of this library afterwards.
__attribute__((destructor)) void StopUpdatesAtUnload() {
    CThreadBase::StopAutoFreeThreads();
}

}  // namespace

ZEVA_DEFINE_PLUGIN_INIT(Init, UnInit)
