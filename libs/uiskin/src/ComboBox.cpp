#include "ComboBox.h"

using namespace zeva;
using namespace zeva::ui;

int CComboBox::AddString(const std::string& text) {
    items_.push_back(text);
    ItemsEdited(ItemEdit::Kind::Inserted, GetCount() - 1);
    return GetCount() - 1;
}

int CComboBox::InsertString(int index, const std::string& text) {
    if (index < 0 || index > GetCount()) index = GetCount();
    items_.insert(items_.begin() + index, text);
    ItemsEdited(ItemEdit::Kind::Inserted, index);
    if (cur_ >= index) {
        ++cur_;
        Changed(kChangeContent);
    }
    return index;
}

int CComboBox::DeleteString(UINT index) {
    if (index >= items_.size()) return -1;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    ItemsEdited(ItemEdit::Kind::Removed, static_cast<int>(index));
    if (cur_ == static_cast<int>(index)) {
        cur_ = -1;
        text_.clear();
    } else if (cur_ > static_cast<int>(index)) {
        --cur_;
    }
    Changed(kChangeContent);
    return GetCount();
}

void CComboBox::ResetContent() {
    items_.clear();
    cur_ = -1;
    text_.clear();
    ItemsEdited(ItemEdit::Kind::Reset, -1);
    Changed(kChangeContent);
}

int CComboBox::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        cur_ = -1;
        text_.clear();
        Changed(kChangeContent);
        return -1;
    }
    cur_ = index;
    text_ = items_[static_cast<std::size_t>(index)];
    Changed(kChangeContent);
    return index;
}

int CComboBox::GetLBText(int index, std::string& out) const {
    if (index < 0 || index >= GetCount()) return -1;
    out = items_[static_cast<std::size_t>(index)];
    return static_cast<int>(out.size());
}

void CComboBox::UserSelect(int index) {
    if (!enabled_ || index < 0 || index >= GetCount()) return;
    SetCurSel(index);
    if (parent_)
        parent_->SendMessage(WM_COMMAND, MAKEWPARAM(id_, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(m_hWnd));
}

void CComboBox::UserEditText(const std::string& text) {
    if (!enabled_ || !IsEditable()) return;
    cur_ = -1;
    text_ = text;
    Changed(kChangeText);
    if (parent_)
        parent_->SendMessage(WM_COMMAND, MAKEWPARAM(id_, CBN_EDITCHANGE),
                             reinterpret_cast<LPARAM>(m_hWnd));
}

void CComboBox::AdoptFrom(CWnd& generic) {
    CWnd::AdoptFrom(generic);
    if (auto* c = dynamic_cast<CComboBox*>(&generic)) {
        items_ = c->items_;
        cur_ = c->cur_;
    }
}

LRESULT CComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case CB_ADDSTRING: {
            const char* text = reinterpret_cast<const char*>(lParam);
            return AddString(text ? text : "");
        }
        case CB_SETCURSEL:
            return SetCurSel(static_cast<int>(wParam));
        case CB_GETCURSEL:
            return GetCurSel();
        case CB_GETCOUNT:
            return GetCount();
        case CB_RESETCONTENT:
            ResetContent();
            return 0;
        default:
            return CWnd::WindowProc(message, wParam, lParam);
    }
}
