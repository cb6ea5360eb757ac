// The receipt plug-in's export: PlugCreate(CWnd*) opens the page.

#include "DlgReceipt.h"
#include "PluginExports.h"
#include "ReceiptResources.h"

ZEVA_DEFINE_PLUGIN(CDlgReceipt, receipt::kTemplateId)
