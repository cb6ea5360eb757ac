#include "DlgResultContainer.h"

#include <algorithm>

#include "DlgResultItem.h"
#include "Resources.h"

using namespace speedtest;
using zeva::SB_VERT;

CDlgResultContainer::CDlgResultContainer() : CScrollContainer(kTplResultList, nullptr) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    SetScrollSteps(1, 5, 5);
    AtDestroy([this] { Clear(); });
}

CDlgResultContainer::~CDlgResultContainer() {
    if (m_hWnd) DestroyWindow();
    rows_.clear();
}

BOOL CDlgResultContainer::OnInitDialog() {
    CScrollContainer::OnInitDialog();
    SetBackgroundImage(img::kResultListBackground);
    SetScrollRange(SB_VERT, 0, 0);
    return 1;
}

void CDlgResultContainer::AddRow(bool answered, const std::string& address, float seconds) {
    auto row = std::make_unique<CDlgResultItem>();
    if (!row->Create(kTplResultItem, this)) return;
    row->Fill(answered, address, seconds);
    const int y = rows_.empty() ? 0 : rows_.back()->Rect().bottom;
    row->SetWindowPos(nullptr, 0, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    row->ShowWindow(SW_SHOW);
    rows_.push_back(std::move(row));
    int total = 0;
    for (const auto& r : rows_) total += r->Rect().Height();
    CRect client;
    GetClientRect(&client);
    SetScrollRange(SB_VERT, 0, std::max(0, total - client.Height()));
}

void CDlgResultContainer::Clear() {
    for (auto& row : rows_)
        if (row->GetSafeHwnd()) row->DestroyWindow();
    rows_.clear();
    // The rows went; what was scrolled away comes back with the next rows.
    SetScrollPos(SB_VERT, 0);
    SetScrollRange(SB_VERT, 0, 0);
}
