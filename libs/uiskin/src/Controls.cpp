#include "Controls.h"

#include <algorithm>
#include <cstring>

#include "Renderer.h"

using namespace zeva;
using namespace zeva::ui;

BOOL CStatic::Create(const std::string& text, DWORD style, const CRect& rect, CWnd* parent, UINT id) {
    return CreateWnd(parent, id, rect, style, text);
}

// ---- CPNGPicture ----

void CPNGPicture::SetImage(UINT resourceId) { SetImage(ResourceImage(ResourceModuleOfOwner(), resourceId)); }
void CPNGPicture::SetImage(const std::string& file) { SetImage(FileImage(file)); }
void CPNGPicture::SetImage(const SkinImage& image) {
    image_ = image;
    Changed(kChangeImage);
}
SkinImage CPNGPicture::Image(int) const { return image_; }
void CPNGPicture::SetFrame(int frame) {
    frame_ = frame;
    Changed(kChangeImage);
}

// ---- CButton ----

ControlKind CButton::Kind() const {
    return (style_ & 0xF) == BS_AUTOCHECKBOX ? ControlKind::CheckBox : ControlKind::Button;
}

BOOL CButton::Create(const std::string& caption, DWORD style, const CRect& rect, CWnd* parent, UINT id) {
    return CreateWnd(parent, id, rect, style, caption);
}

void CButton::SetCheck(int check) {
    if (check == check_) return;
    check_ = check;
    Changed(kChangeState);
}

void CButton::AdoptFrom(CWnd& generic) {
    CWnd::AdoptFrom(generic);
    if (auto* b = dynamic_cast<CButton*>(&generic)) check_ = b->check_;
}

void CButton::OnLButtonDown(UINT, CPoint) {
    pressed_ = true;
    Changed(kChangeState);
}

void CButton::OnLButtonUp(UINT, CPoint point) {
    const bool was = pressed_;
    pressed_ = false;
    Changed(kChangeState);
    CRect client;
    GetClientRect(&client);
    if (was && client.PtInRect(point)) Click();
}

void CButton::OnKeyDown(UINT key, UINT, UINT) {
    if (key == ' ') Click();
}

void CButton::Click() {
    if (Kind() == ControlKind::CheckBox) SetCheck(check_ ? 0 : 1);
    // The parent may destroy this button while it handles the click.
    if (parent_) parent_->SendMessage(WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED), reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- CImageButtonX ----

CImageButtonX::CImageButtonX() { cursor_ = SkinCursor::Hand; }

void CImageButtonX::SetShowText(bool show) {
    showText_ = show;
    Changed(kChangeLook);
}

void CImageButtonX::SetStateImage(int state, SkinImage image) {
    images_[state] = std::move(image);
    if (state == kStateNormal) ApplyAutoSize();
    Changed(kChangeImage);
}

void CImageButtonX::SetNormalImage(UINT id) { SetStateImage(kStateNormal, ResourceImage(ResourceModuleOfOwner(), id)); }
void CImageButtonX::SetOverImage(UINT id) { SetStateImage(kStateHover, ResourceImage(ResourceModuleOfOwner(), id)); }
void CImageButtonX::SetSelectImage(UINT id) {
    SetStateImage(kStatePressed, ResourceImage(ResourceModuleOfOwner(), id));
}
void CImageButtonX::SetNormalImage(const std::string& file) { SetStateImage(kStateNormal, FileImage(file)); }
void CImageButtonX::SetOverImage(const std::string& file) { SetStateImage(kStateHover, FileImage(file)); }
void CImageButtonX::SetSelectImage(const std::string& file) { SetStateImage(kStatePressed, FileImage(file)); }

void CImageButtonX::SetImages(UINT normal, UINT over, UINT selected) {
    SetNormalImage(normal);
    SetOverImage(over);
    SetSelectImage(selected);
}

void CImageButtonX::SetAuotSize(bool on) {
    autoSize_ = on;
    ApplyAutoSize();
}

void CImageButtonX::ApplyAutoSize() {
    if (!autoSize_) return;
    const SkinImage& img = images_[kStateNormal];
    if (img.info.size.cx > 0 && img.info.size.cy > 0) {
        MoveWindow(rect_.left, rect_.top, img.info.size.cx, img.info.size.cy);
    }
}

void CImageButtonX::SetTextFont(int state, const LOGFONT* font) {
    if (!font || state < 1 || state > 3) return;
    SkinFont f;
    f.face = std::string(font->lfFaceName, strnlen(font->lfFaceName, sizeof(font->lfFaceName)));
    f.size = font->lfHeight < 0 ? -font->lfHeight : font->lfHeight;
    if (f.size == 0) f.size = font_.size;
    f.bold = font->lfWeight >= FW_BOLD;
    f.underline = font->lfUnderline != 0;
    stateFont_[state] = f;
    stateFontSet_[state] = true;
    if (state == kStateNormal) font_ = f;
    Changed(kChangeLook);
}

void CImageButtonX::SetTextDeflateRect(const CRect& deflate) {
    deflate_ = deflate;
    Changed(kChangeLook);
}

SkinImage CImageButtonX::Image(int state) const {
    if (state >= 1 && state <= 3 && images_[state].IsSet()) return images_[state];
    return images_[kStateNormal];
}

int CImageButtonX::DrawState() const {
    if (pressed_ || check_) return kStatePressed;
    if (hovered_) return kStateHover;
    return kStateNormal;
}

// ---- CEdit ----

BOOL CEdit::Create(DWORD style, const CRect& rect, CWnd* parent, UINT id) {
    return CreateWnd(parent, id, rect, style, "");
}

void CEdit::SetLimitText(UINT max) { limit_ = max; }

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
    if (parent_) parent_->SendMessage(WM_COMMAND, MAKEWPARAM(id_, EN_CHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- CComboBox ----

int CComboBox::AddString(const std::string& text) {
    items_.push_back(text);
    Changed(kChangeContent);
    return GetCount() - 1;
}

int CComboBox::InsertString(int index, const std::string& text) {
    if (index < 0 || index > GetCount()) index = GetCount();
    items_.insert(items_.begin() + index, text);
    if (cur_ >= index) ++cur_;
    Changed(kChangeContent);
    return index;
}

int CComboBox::DeleteString(UINT index) {
    if (index >= items_.size()) return -1;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
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
    if (parent_) parent_->SendMessage(WM_COMMAND, MAKEWPARAM(id_, CBN_SELCHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

void CComboBox::AdoptFrom(CWnd& generic) {
    CWnd::AdoptFrom(generic);
    if (auto* c = dynamic_cast<CComboBox*>(&generic)) {
        items_ = c->items_;
        cur_ = c->cur_;
    }
}

// ---- CListCtrl ----

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
    if (selected_ >= index) ++selected_;
    Changed(kChangeContent);
    return index;
}

BOOL CListCtrl::SetItemText(int item, int subItem, const std::string& text) {
    if (item < 0 || item >= GetItemCount() || subItem < 0) return 0;
    auto& row = rows_[static_cast<std::size_t>(item)];
    if (static_cast<int>(row.size()) <= subItem) row.resize(static_cast<std::size_t>(subItem) + 1);
    row[static_cast<std::size_t>(subItem)] = text;
    Changed(kChangeContent);
    return 1;
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    if (item < 0 || item >= GetItemCount() || subItem < 0) return {};
    const auto& row = rows_[static_cast<std::size_t>(item)];
    return subItem < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(subItem)] : std::string();
}

BOOL CListCtrl::DeleteItem(int item) {
    if (item < 0 || item >= GetItemCount()) return 0;
    rows_.erase(rows_.begin() + item);
    if (selected_ == item) selected_ = -1;
    else if (selected_ > item) --selected_;
    Changed(kChangeContent);
    return 1;
}

BOOL CListCtrl::DeleteAllItems() {
    rows_.clear();
    selected_ = -1;
    Changed(kChangeContent);
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

// ---- CProgressBar ----

BOOL CProgressBar::Create(DWORD style, const CRect& rect, CWnd* parent, UINT id) {
    return CreateWnd(parent, id, rect, style, "");
}

void CProgressBar::SetRange(int lower, int upper) {
    lower_ = lower;
    upper_ = std::max(lower, upper);
    pos_ = std::clamp(pos_, lower_, upper_);
    Changed(kChangeContent);
}

int CProgressBar::SetPos(int pos) {
    const int old = pos_;
    pos_ = std::clamp(pos, lower_, upper_);
    if (pos_ != old) Changed(kChangeContent);
    return old;
}

void CProgressBar::SetBarColor(COLORREF color) {
    barColor_ = color;
    Changed(kChangeLook);
}

double CProgressBar::Fraction() const {
    if (upper_ <= lower_) return 0.0;
    return static_cast<double>(pos_ - lower_) / static_cast<double>(upper_ - lower_);
}

// ---- CScrollContainer ----

void CScrollContainer::SetScrollSteps(int line, int page, int wheel) {
    line_ = line;
    page_ = page;
    wheel_ = wheel;
}

int CScrollContainer::ScrollBy(int delta) {
    SCROLLINFO si;
    GetScrollInfo(SB_VERT, &si);
    const int top = std::max(si.nMin, si.nMax - static_cast<int>(si.nPage));
    const int pos = std::clamp(si.nPos + delta, si.nMin, top);
    const int moved = pos - si.nPos;
    if (moved == 0) return 0;
    scroll_[SB_VERT].pos = pos;
    Changed(kChangeScroll);
    ScrollWindow(0, -moved);
    return moved;
}

void CScrollContainer::OnVScroll(UINT code, UINT pos, CScrollBar*) {
    switch (code) {
        case SB_LINEUP: ScrollBy(-line_); break;
        case SB_LINEDOWN: ScrollBy(line_); break;
        case SB_PAGEUP:
        case SB_TOP: ScrollBy(-page_); break;
        case SB_PAGEDOWN:
        case SB_BOTTOM: ScrollBy(page_); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: ScrollBy(static_cast<int>(pos) - GetScrollPos(SB_VERT)); break;
        default: break;
    }
}

BOOL CScrollContainer::OnMouseWheel(UINT, short delta, CPoint) {
    ScrollBy(delta <= 0 ? wheel_ : -wheel_);
    return 1;
}
