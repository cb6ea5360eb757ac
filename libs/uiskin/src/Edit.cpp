#include "Edit.h"

using namespace zeva;
using namespace zeva::ui;

BOOL CEdit::Create(DWORD style, const CRect& rect, CWnd* parent, UINT id) {
    return CreateWnd(parent, id, rect, style, "");
}

void CEdit::SetLimitText(UINT max) {
    limit_ = max;
}

void CEdit::SetReadOnly(BOOL on) {
    style_ = on ? (style_ | ES_READONLY) : (style_ & ~ES_READONLY);
    Changed(kChangeLook);
}

void CEdit::UserReplaceText(const std::string& text) {
    if (!enabled_ || (style_ & ES_READONLY)) return;
    std::string t = text.substr(0, limit_);
    if (t == text_) return;
    text_ = std::move(t);
    Changed(kChangeText);
    if (parent_)
        parent_->SendMessage(WM_COMMAND, MAKEWPARAM(id_, EN_CHANGE),
                             reinterpret_cast<LPARAM>(m_hWnd));
}
