#include "ImageDialog.h"

#include <algorithm>
#include <cstdio>

#include "Controls.h"
#include "Registry_p.h"
#include "Renderer.h"

using namespace zeva;
using namespace zeva::ui;

namespace {

std::unique_ptr<CWnd> MakeGeneric(const ControlTemplate& c) {
    switch (c.kind) {
        case ControlKind::Picture:
            return std::make_unique<CPNGPicture>();
        case ControlKind::Button: {
            auto b = std::make_unique<CImageButtonX>();
            b->SetShowText(true);
            return b;
        }
        case ControlKind::CheckBox:
            return std::make_unique<CCheckBox>();
        case ControlKind::Edit:
            return std::make_unique<CEdit>();
        case ControlKind::ComboBox:
            return std::make_unique<CComboBox>();
        case ControlKind::ListCtrl:
            return std::make_unique<CListCtrl>();
        case ControlKind::Progress:
            return std::make_unique<CProgressBar>();
        case ControlKind::Dialog:
        case ControlKind::Static:
            break;
    }
    return std::make_unique<CStaticText>();
}

UINT CtlColorType(const CWnd& w) {
    switch (w.Kind()) {
        case ControlKind::Dialog:
            return CTLCOLOR_DLG;
        case ControlKind::Edit:
        case ControlKind::ComboBox:
            return CTLCOLOR_EDIT;
        case ControlKind::ListCtrl:
            return CTLCOLOR_LISTBOX;
        case ControlKind::Button:
        case ControlKind::CheckBox:
            return CTLCOLOR_BTN;
        default:
            return CTLCOLOR_STATIC;
    }
}

}  // namespace

CImageDialog::CImageDialog(UINT templateId, CWnd* parent)
    : m_pParentWnd(parent), templateId_(templateId) {}

CImageDialog::~CImageDialog() {
    if (m_hWnd) CImageDialog::DestroyWindow();
}

BOOL CImageDialog::Create(UINT templateId, CWnd* parent) {
    if (m_hWnd) return 0;
    const DialogTemplate* tmpl = FindDialogTemplate(module_, templateId);
    if (!tmpl) {
        std::fprintf(stderr, "dialog template %u not found\n", templateId);
        return 0;
    }
    templateId_ = templateId;
    template_ = tmpl;
    if (parent) m_pParentWnd = parent;
    baseUnits_ = DialogBaseUnits(tmpl->fontFace, tmpl->fontSize);
    font_ = SkinFont{tmpl->fontFace, baseUnits_.cy, false, false};

    const bool child = (tmpl->style & WS_CHILD) && m_pParentWnd && m_pParentWnd->GetSafeHwnd();
    CRect rect = DialogUnitsToPixels(CRect(0, 0, tmpl->cx, tmpl->cy), baseUnits_);
    if (!CreateWnd(child ? m_pParentWnd : nullptr, templateId, rect, tmpl->style & ~WS_VISIBLE,
                   tmpl->caption, false)) {
        return 0;
    }
    owner_ = child ? nullptr : m_pParentWnd;
    if (tmpl->style & WS_VSCROLL) scroll_[SB_VERT].shown = true;

    for (const ControlTemplate& c : tmpl->controls) {
        auto ctl = MakeGeneric(c);
        const CRect r = DialogUnitsToPixels(CRect(c.x, c.y, c.x + c.cx, c.y + c.cy), baseUnits_);
        DWORD style = (c.style & ~WS_VISIBLE) | (c.visible ? WS_VISIBLE : 0);
        ctl->CreateWnd(this, c.id, r, style, c.text, false);
        if (c.kind == ControlKind::Static && (c.style & SS_CENTER)) ctl->align_ = DT_CENTER;
        if (c.kind == ControlKind::Static && (c.style & SS_RIGHT)) ctl->align_ = DT_RIGHT;
        owned_.push_back(std::move(ctl));
    }
    SendMessage(WM_INITDIALOG, 0, 0);
    if (!m_hWnd) return 0;  // OnInitDialog may have destroyed the window
    if (tmpl->style & WS_VISIBLE) visible_ = true;
    if (!parent_ || parent_->IsRendered()) GetRenderer().WindowCreated(*this);
    if (visible_ && !parent_) detail::NoteShown(this);
    return 1;
}

INT_PTR CImageDialog::DoModal() {
    modal_ = true;
    ended_ = false;
    result_ = -1;
    if (!Create(templateId_, m_pParentWnd)) {
        modal_ = false;
        return -1;
    }
    CWnd* owner = m_pParentWnd ? m_pParentWnd->GetTopLevelParent() : nullptr;
    if (owner && owner->IsWindowEnabled()) {
        owner->EnableWindow(0);
        disabledOwner_ = owner;
    }
    detail::PushModal(this);
    if (!ended_) ShowWindow(SW_SHOW);
    if (!ended_) GetRenderer().RunModalLoop(*this);
    detail::PopModal(this);
    if (disabledOwner_) {
        disabledOwner_->EnableWindow(1);
        disabledOwner_ = nullptr;
    }
    const int result = ended_ ? result_ : -1;
    DestroyWindow();
    modal_ = false;
    return result;
}

void CImageDialog::EndDialog(int result) {
    result_ = result;
    ended_ = true;
    if (modal_) {
        GetRenderer().ModalEnded(*this);
    } else {
        ShowWindow(SW_HIDE);
    }
}

BOOL CImageDialog::UpdateData(BOOL save) {
    CDataExchange dx(this, save);
    DoDataExchange(&dx);
    return 1;
}

void CImageDialog::MapDialogRect(CRect* rect) const {
    *rect = DialogUnitsToPixels(*rect, baseUnits_);
}

void CImageDialog::SetBackgroundImage(UINT resourceId, int) {
    background_ = ResourceImage(module_, resourceId);
    Changed(kChangeImage);
}

void CImageDialog::SetBackgroundImage(const std::string& file, int) {
    background_ = FileImage(file);
    Changed(kChangeImage);
}

SkinImage CImageDialog::Image(int) const {
    return background_;
}

void CImageDialog::CenterWindow(CWnd* alternateOwner) {
    CRect area = GetRenderer().DesktopRect();
    if (alternateOwner) alternateOwner->GetWindowRect(&area);
    if (parent_) parent_->GetClientRect(&area);
    const int w = rect_.Width();
    const int h = rect_.Height();
    const int x = area.left + (area.Width() - w) / 2;
    const int y = area.top + (area.Height() - h) / 2;
    MoveWindow(x, y, w, h);
}

CImageDialog::ControlColors CImageDialog::QueryControlColors(CWnd& control) {
    CDC dc;
    dc.SetTextColor(control.GetTextColor());
    const ZevaBrush* brush = BrushOf(OnCtlColor(&dc, &control, CtlColorType(control)));
    ControlColors c;
    c.text = dc.GetTextColor();
    c.transparent =
        dc.GetBkMode() == TRANSPARENT || control.IsTransparent() || (brush && brush->hollow);
    c.hasBrush = brush && !brush->hollow;
    c.brush = brush ? brush->color : 0;
    return c;
}

BOOL CImageDialog::DestroyWindow() {
    if (!m_hWnd) return 0;
    // Handlers may register others or destroy further windows: run a copy.
    const std::vector<Handler> atDestroy = destroyHandlers_;
    for (const Handler& h : atDestroy) h();
    if (modal_ && !ended_) EndDialog(IDCANCEL);
    return CWnd::DestroyWindow();
}

BOOL CImageDialog::PreTranslateMessage(MSG* msg) {
    // Only the top-level dialog acts as the dialog manager: Escape cancels,
    // Return presses the default button unless a multi-line edit wants it.
    if (parent_ || msg->message != WM_KEYDOWN) return 0;
    if (msg->wParam == VK_ESCAPE) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 1;
    }
    if (msg->wParam == VK_RETURN) {
        const CWnd* target = CWnd::FromHandle(msg->hwnd);
        if (target && target->Kind() == ControlKind::Edit && (target->GetStyle() & ES_WANTRETURN))
            return 0;
        UINT id = IDOK;
        for (CWnd* c : children_) {
            if ((c->Kind() == ControlKind::Button) && (c->GetStyle() & 0xF) == BS_DEFPUSHBUTTON)
                id = c->GetDlgCtrlID();
        }
        SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return 1;
    }
    return 0;
}

void CImageDialog::AttachControl(int id, CWnd& member) {
    if (member.m_hWnd) return;  // already bound by an earlier exchange
    for (std::size_t i = 0; i < children_.size(); ++i) {
        CWnd* generic = children_[i];
        if (generic->id_ != static_cast<UINT>(id)) continue;
        const auto own =
            std::find_if(owned_.begin(), owned_.end(), [&](auto& p) { return p.get() == generic; });
        if (own == owned_.end()) continue;
        member.AdoptFrom(*generic);
        // The member takes the template control's place in the z-order.
        children_.pop_back();
        children_[i] = &member;
        std::unique_ptr<CWnd> old = std::move(*own);
        owned_.erase(own);
        old->parent_ = nullptr;
        old->DestroyWindow();
        detail::Retire(std::move(old));
        if (rendered_) GetRenderer().WindowCreated(member);
        return;
    }
    std::fprintf(stderr, "dialog %u has no control %d to bind\n", templateId_, id);
}

LRESULT CImageDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInitDialog();
    if (const auto it = messageHandlers_.find(message); it != messageHandlers_.end()) {
        const MessageHandler handler = it->second;  // the handler may replace itself
        return handler(wParam, lParam);
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CImageDialog::Bind(int id, CWnd& member) {
    bindings_.emplace_back(id, &member);
}

void CImageDialog::Bind(std::initializer_list<std::pair<int, CWnd*>> bindings) {
    for (const auto& [id, member] : bindings) Bind(id, *member);
}

void CImageDialog::HandleCommand(int id, UINT notifyCode, Handler handler) {
    commandHandlers_[{static_cast<UINT>(id), notifyCode}] = std::move(handler);
}

void CImageDialog::HandleClick(int id, Handler handler) {
    HandleCommand(id, BN_CLICKED, std::move(handler));
}

void CImageDialog::HandleChange(int id, Handler handler) {
    HandleCommand(id, EN_CHANGE, handler);
    HandleCommand(id, CBN_SELCHANGE, std::move(handler));
}

void CImageDialog::HandleMessage(UINT message, MessageHandler handler) {
    messageHandlers_[message] = std::move(handler);
}

void CImageDialog::AtDestroy(Handler handler) {
    destroyHandlers_.push_back(std::move(handler));
}

void CImageDialog::SetStaticLook(COLORREF text) {
    staticLook_ = true;
    staticText_ = text;
}

void CImageDialog::OnLButtonDown(UINT flags, CPoint point) {
    CWnd::OnLButtonDown(flags, point);
    if (dragMaxY_ >= 0 && point.y < dragMaxY_)
        PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

BOOL CImageDialog::OnInitDialog() {
    UpdateData(0);
    return 1;
}

void CImageDialog::DoDataExchange(CDataExchange* pDX) {
    for (const auto& [id, member] : bindings_) DDX_Control(pDX, id, *member);
}
void CImageDialog::OnOK() {
    EndDialog(IDOK);
}
void CImageDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

HBRUSH CImageDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    // The skin paints the dialog background and draws labels over it.
    if (ctlColor == CTLCOLOR_STATIC || ctlColor == CTLCOLOR_DLG) {
        if (pWnd && pWnd->IsTransparent()) pDC->SetBkMode(TRANSPARENT);
        if (staticLook_ && ctlColor == CTLCOLOR_STATIC) {
            pDC->SetBkMode(TRANSPARENT);
            if (pWnd && !pWnd->HasTextColor()) pDC->SetTextColor(staticText_);
        }
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    }
    return nullptr;
}

BOOL CImageDialog::OnCommand(WPARAM wParam, LPARAM) {
    const auto handler = commandHandlers_.find({LOWORD(wParam), HIWORD(wParam)});
    if (handler != commandHandlers_.end()) {
        // The handler may close this window and so clear the table: run a copy.
        const Handler run = handler->second;
        run();
        return 1;
    }
    // Only a click (or a menu/accelerator command, code 0) on IDOK/IDCANCEL
    // ends the dialog, not another notification from a control with that id.
    if (HIWORD(wParam) != BN_CLICKED) return 0;
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return 1;
        case IDCANCEL:
            OnCancel();
            return 1;
        default:
            return 0;
    }
}

void CImageDialog::OnNcLButtonDown(UINT hitTest, CPoint point) {
    if (hitTest != HTCAPTION) return;
    ++dragRequests_;
    GetRenderer().BeginDrag(*this, point);
}

void CImageDialog::OnClose() {
    OnCancel();
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (pDX && pDX->m_pDlgWnd) pDX->m_pDlgWnd->AttachControl(id, control);
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
    if (!pDX || !pDX->m_pDlgWnd) return;
    CWnd* c = pDX->m_pDlgWnd->GetDlgItem(id);
    if (!c) return;
    if (pDX->m_bSaveAndValidate) {
        value = c->GetWindowText();
    } else {
        c->SetWindowText(value);
    }
}
