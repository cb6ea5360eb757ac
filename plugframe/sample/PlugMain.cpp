// The sample plug-in's exports.

#include "DlgSample.h"
#include "PluginExports.h"

namespace {

int g_inits = 0;

bool Init() {
    ++g_inits;
    return true;
}
bool UnInit() {
    return true;
}

}  // namespace

ZEVA_DEFINE_PLUGIN(CDlgSample, sample::kTemplateId)
ZEVA_DEFINE_PLUGIN_INIT(Init, UnInit)

// For the tests: the page object and how often PlugInit ran.
extern "C" {
ZEVA_PLUG_EXPORT CDlgSubPage* SamplePage() {
    return ZevaPlugPage();
}
ZEVA_PLUG_EXPORT int SampleLastNotice() {
    return static_cast<CDlgSample*>(ZevaPlugPage())->LastNoticeAnswer();
}
ZEVA_PLUG_EXPORT int SampleInitCount() {
    return g_inits;
}
}
