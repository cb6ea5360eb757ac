// The sample plug-in's exports.

#include <cstdio>
#include <exception>

#include "DlgSample.h"
#include "PlugContract.h"

namespace {

CDlgSample& Page() {
    // Made on the first PlugCreate, destroyed when the library unloads.
    static CDlgSample page;
    return page;
}

int g_inits = 0;

}  // namespace

extern "C" {

ZEVA_PLUG_EXPORT void PlugCreate(CWnd* parent) {
    try {
        Page().CreateSubWindow(sample::kTemplateId, parent);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ZEVAPlug_Sample: %s\n", e.what());
    }
}

ZEVA_PLUG_EXPORT bool PlugInit() {
    ++g_inits;
    return true;
}

ZEVA_PLUG_EXPORT bool PlugUnInit() {
    return true;
}

// For the tests: the page object and how often PlugInit ran.
ZEVA_PLUG_EXPORT CDlgSubPage* SamplePage() {
    return &Page();
}
ZEVA_PLUG_EXPORT int SampleLastNotice() {
    return Page().LastNoticeAnswer();
}
ZEVA_PLUG_EXPORT int SampleInitCount() {
    return g_inits;
}
}
