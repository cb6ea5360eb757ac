#include "ImageButtonX.h"

#include <cstring>

using namespace zeva;
using namespace zeva::ui;

ControlKind CButton::Kind() const {
    return (style_ & 0xF) == BS_AUTOCHECKBOX ? ControlKind::CheckBox : ControlKind::Button;
}

BOOL CButton::Create(const std::string& caption, DWORD style, const CRect& rect, CWnd* parent,
                     UINT id) {
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
    if (parent_)
        parent_->SendMessage(WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED),
                             reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- CImageButtonX ----

CImageButtonX::CImageButtonX() {
    cursor_ = SkinCursor::Hand;
}

void CImageButtonX::SetShowText(bool show) {
    showText_ = show;
    Changed(kChangeLook);
}

void CImageButtonX::SetStateImage(int state, SkinImage image) {
    images_[state] = std::move(image);
    if (state == kStateNormal) ApplyAutoSize();
    Changed(kChangeImage);
}

void CImageButtonX::SetNormalImage(UINT id) {
    SetStateImage(kStateNormal, ResourceImage(ResourceModuleOfOwner(), id));
}
void CImageButtonX::SetOverImage(UINT id) {
    SetStateImage(kStateHover, ResourceImage(ResourceModuleOfOwner(), id));
}
void CImageButtonX::SetSelectImage(UINT id) {
    SetStateImage(kStatePressed, ResourceImage(ResourceModuleOfOwner(), id));
}
void CImageButtonX::SetNormalImage(const std::string& file) {
    SetStateImage(kStateNormal, FileImage(file));
}
void CImageButtonX::SetOverImage(const std::string& file) {
    SetStateImage(kStateHover, FileImage(file));
}
void CImageButtonX::SetSelectImage(const std::string& file) {
    SetStateImage(kStatePressed, FileImage(file));
}

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
