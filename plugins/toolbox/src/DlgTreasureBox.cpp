#include "DlgTreasureBox.h"

#include "ConfigKeys.h"
#include "PlugContract.h"
#include "ToolboxResources.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/WindowFinder.h"

using namespace zeva;
using namespace toolbox;

CDlgTreasureBox::CDlgTreasureBox() : CDlgTreasureBox(plug::PageServices::RealLocal()) {}

CDlgTreasureBox::CDlgTreasureBox(plug::PageServices services)
    : CDlgSubPage(kPageTemplate, nullptr), strip_(std::move(services.linkOpener)) {
    RegisterResources();
    HandleMessage(kMsgButtonReleased, [this](WPARAM, LPARAM) { return OnButtonReleased(); });
}

CDlgTreasureBox::~CDlgTreasureBox() {
    if (m_hWnd) CDlgTreasureBox::DestroyWindow();
}

BOOL CDlgTreasureBox::OnInitDialog() {
    CDlgSubPage::OnInitDialog();
    list_.SetResourceModule(GetResourceHandle());
    list_.Create(kListTemplate, this);

    strip_.SetResourceModule(GetResourceHandle());
    if (strip_.Create(kStripTemplate, this)) {
        CRect r = strip_.Rect();
        strip_.MoveWindow(0, kStripTop, r.Width(), r.Height());
        strip_.ShowWindow(SW_SHOW);
    }

    // Each opening shows the catalogues as they are now.
    catalogEntries_.clear();
    list_.RemoveAll();
    LoadCatalogue(cfgkeys::kPlugConfigDat);
    LoadCatalogue(cfgkeys::kProvincePlugConfigDat);
    list_.ShowWindow(SW_SHOW);
    return 1;
}

void CDlgTreasureBox::LoadCatalogue(const std::string& relativeFile) {
    for (const PlugItem& item : ReadCatalogue(ApplicationPathAcp(), relativeFile, catalogEntries_))
        list_.AddItem(item);
}

LRESULT CDlgTreasureBox::OnButtonReleased() {
    const int index = list_.Container().SelectedIndex();
    const auto& items = list_.Items();
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return 0;
    // A copy: the host opens the tool while it handles the message, and the
    // text must stay valid for the whole call whatever that does to the list.
    const std::string plugId = items[static_cast<std::size_t>(index)].PlugId;
    if (plugId.empty()) return 0;
    lastPicked_ = plugId;
    // The text lives in this process: only this process's host can read it.
    if (const HWND host = FindProcessWindowA(plug::kHostWindowClass)) {
        zeva::SendMessage(host, plug::kMsgOpenTool, reinterpret_cast<WPARAM>(plugId.c_str()), 0);
    }
    return 0;
}

BOOL CDlgTreasureBox::DestroyWindow() {
    strip_.DestroyWindow();
    list_.DestroyWindow();
    return CDlgSubPage::DestroyWindow();
}

HBRUSH CDlgTreasureBox::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    HBRUSH brush = CDlgSubPage::OnCtlColor(pDC, pWnd, ctlColor);
    return ctlColor == CTLCOLOR_DLG ? static_cast<HBRUSH>(white_) : brush;
}
