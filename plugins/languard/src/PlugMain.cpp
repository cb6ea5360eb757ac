// The LAN check plug-in's exports: PlugCreate(CWnd*) shows the page;
// PlugUnInit, which the host calls before it unloads the library, stops the
// search and joins its workers. Joining them later, in the library's own
// destructors, would run under the loader's lock, which a worker may still
// need (a first use of a per-thread code-page converter takes it).

#include "AsyncCalls.h"
#include "DlgAntiPilferNet.h"
#include "LanguardResources.h"
#include "PluginExports.h"

ZEVA_DEFINE_PLUGIN(CDlgAntiPilferNet, languard::kPageTemplate)

namespace {

bool Init() {
    return true;
}

bool UnInit() {
    ZevaThePage().AbandonSearch();
    zeva::plug::AsyncCalls::WaitForWorkers();
    return true;
}

}  // namespace

ZEVA_DEFINE_PLUGIN_INIT(Init, UnInit)
