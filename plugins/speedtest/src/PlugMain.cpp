// The speed test's exports: PlugCreate() without a parent shows the one
// main window.

#include "DlgTestMain.h"
#include "PluginExports.h"
#include "Resources.h"

ZEVA_DEFINE_PLUGIN_NOARG(CDlgTestMain, speedtest::kTplTestMain)
