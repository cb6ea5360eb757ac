// The LAN check plug-in's export: PlugCreate(CWnd*) shows the page.

#include "DlgAntiPilferNet.h"
#include "LanguardResources.h"
#include "PluginExports.h"

ZEVA_DEFINE_PLUGIN(CDlgAntiPilferNet, languard::kPageTemplate)
