#include "ListCtrl.h"

using namespace zeva;
using namespace zeva::ui;

int CListCtrl::InsertColumn(int col, const std::string& heading, int format, int width) {
    if (col < 0 || col > GetColumnCount()) col = GetColumnCount();
    columns_.insert(columns_.begin() + col, Column{heading, format, width < 0 ? 80 : width});
    for (auto& row : rows_) {
        if (static_cast<int>(row.size()) > col) row.insert(row.begin() + col, std::string());
    }
    Changed(kChangeContent);
    return col;
}

int CListCtrl::InsertItem(int index, const std::string& text) {
    if (index < 0 || index > GetItemCount()) index = GetItemCount();
    rows_.insert(rows_.begin() + index, std::vector<std::string>{text});
    ItemsEdited(ItemEdit::Kind::Inserted, index);
    if (selected_ >= index) {
        ++selected_;
        Changed(kChangeState);
    }
    return index;
}

BOOL CListCtrl::SetItemText(int item, int subItem, const std::string& text) {
    if (item < 0 || item >= GetItemCount() || subItem < 0) return 0;
    auto& row = rows_[static_cast<std::size_t>(item)];
    if (static_cast<int>(row.size()) <= subItem) row.resize(static_cast<std::size_t>(subItem) + 1);
    row[static_cast<std::size_t>(subItem)] = text;
    ItemsEdited(ItemEdit::Kind::TextSet, item, subItem);
    return 1;
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    if (item < 0 || item >= GetItemCount() || subItem < 0) return {};
    const auto& row = rows_[static_cast<std::size_t>(item)];
    return subItem < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(subItem)]
                                                  : std::string();
}

BOOL CListCtrl::DeleteItem(int item) {
    if (item < 0 || item >= GetItemCount()) return 0;
    rows_.erase(rows_.begin() + item);
    ItemsEdited(ItemEdit::Kind::Removed, item);
    if (selected_ >= item) {
        selected_ = selected_ == item ? -1 : selected_ - 1;
        Changed(kChangeState);
    }
    return 1;
}

BOOL CListCtrl::DeleteAllItems() {
    rows_.clear();
    selected_ = -1;
    ItemsEdited(ItemEdit::Kind::Reset, -1);
    Changed(kChangeState);
    return 1;
}

int CListCtrl::SetSelectionMark(int item) {
    const int old = selected_;
    selected_ = (item >= 0 && item < GetItemCount()) ? item : -1;
    Changed(kChangeState);
    return old;
}

void CListCtrl::UserSelect(int item) {
    if (!enabled_) return;
    SetSelectionMark(item);
}

DWORD CListCtrl::SetExtendedStyle(DWORD styles) {
    const DWORD old = extended_;
    extended_ = styles;
    Changed(kChangeLook);
    return old;
}
