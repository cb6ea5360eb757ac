#include "ZEVAMessageBox.h"

#include <cstdio>
#include <exception>
#include <mutex>

#include "Controls.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;
using namespace zeva::msgbox;

namespace {

constexpr int kWidth = 220;  // dialog units
constexpr int kHeight = 96;

void RegisterTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        DialogTemplate t;
        t.id = kTemplateId;
        t.cx = kWidth;
        t.cy = kHeight;
        t.fontFace = Acp("宋体");
        t.fontSize = 9;
        t.caption = Acp("提示");
        t.style = WS_POPUP;
        t.controls = {
            {kIdTitle, ControlKind::Static, 7, 6, 150, 10, Acp("提示"), 0, true},
            {kIdClose, ControlKind::Button, kWidth - 16, 3, 13, 13, "", 0, true},
            {kIdIcon, ControlKind::Picture, 12, 30, 22, 22, "", 0, true},
            {kIdText, ControlKind::Static, 42, 30, kWidth - 52, 36, "", 0, true},
            {IDOK, ControlKind::Button, 0, 0, 50, 15, Acp("确 定"), BS_DEFPUSHBUTTON, false},
            {IDCANCEL, ControlKind::Button, 0, 0, 50, 15, Acp("取 消"), 0, false},
            {IDYES, ControlKind::Button, 0, 0, 50, 15, Acp("是"), BS_DEFPUSHBUTTON, false},
            {IDNO, ControlKind::Button, 0, 0, 50, 15, Acp("否"), 0, false},
        };
        RegisterDialogTemplate(nullptr, t);
    });
}

SkinGlyph IconOf(UINT type) {
    switch (type & 0xF0) {
        case MB_ICONERROR:
            return SkinGlyph::Error;
        case MB_ICONQUESTION:
            return SkinGlyph::Question;
        case MB_ICONEXCLAMATION:
            return SkinGlyph::Warning;
        default:
            return SkinGlyph::Info;
    }
}

class CDlgMessageBox : public CImageDialog {
public:
    CDlgMessageBox(std::string text, UINT type, CWnd* parent)
        : CImageDialog(kTemplateId, parent), text_(std::move(text)), type_(type) {}

protected:
    BOOL OnInitDialog() override {
        CImageDialog::OnInitDialog();
        SetWindowText(Acp("提示"));
        GetDlgItem(kIdTitle)->SetTextColor(RGB(255, 255, 255));
        GetDlgItem(kIdTitle)->SetFontBold(true);
        GetDlgItem(kIdText)->SetWindowText(text_);
        GetDlgItem(kIdText)->SetTextColor(RGB(0x33, 0x33, 0x33));
        SkinImage icon;
        icon.resourceId = 1;
        icon.info.glyph = IconOf(type_);
        static_cast<CPNGPicture*>(GetDlgItem(kIdIcon))->SetImage(icon);
        static_cast<CImageButtonX*>(GetDlgItem(kIdClose))->SetNormalImage(649u);

        std::vector<UINT> buttons;
        switch (type_ & 0xF) {
            case MB_OKCANCEL:
                buttons = {IDOK, IDCANCEL};
                break;
            case MB_YESNO:
                buttons = {IDYES, IDNO};
                break;
            default:
                buttons = {IDOK};
                break;
        }
        // Buttons right-aligned in the bottom row, 6 dialog units apart.
        CRect client;
        GetClientRect(&client);
        CRect size(0, 0, 50, 15);
        MapDialogRect(&size);
        CRect gap(0, 0, 6, 8);
        MapDialogRect(&gap);
        int x = client.Width() - gap.Width() -
                static_cast<int>(buttons.size()) * (size.Width() + gap.Width()) + gap.Width();
        const int y = client.Height() - size.Height() - gap.Height();
        for (UINT id : buttons) {
            CWnd* b = GetDlgItem(static_cast<int>(id));
            b->MoveWindow(x, y, size.Width(), size.Height());
            b->ShowWindow(SW_SHOW);
            x += size.Width() + gap.Width();
        }
        CenterWindow(GetOwner());
        return 1;
    }
    BOOL OnCommand(WPARAM w, LPARAM l) override {
        const UINT id = LOWORD(w);
        if (id == kIdClose) {
            EndDialog(CloseAnswer());
            return 1;
        }
        if (id == IDYES || id == IDNO) {
            EndDialog(static_cast<int>(id));
            return 1;
        }
        // Escape without a Cancel button answers like the close cross.
        if (id == IDCANCEL && (type_ & 0xF) != MB_OKCANCEL) {
            EndDialog(CloseAnswer());
            return 1;
        }
        return CImageDialog::OnCommand(w, l);
    }
    void OnLButtonDown(UINT flags, CPoint p) override {
        CImageDialog::OnLButtonDown(flags, p);
        if (p.y < 30) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
    }

private:
    int CloseAnswer() const {
        switch (type_ & 0xF) {
            case MB_OKCANCEL:
                return IDCANCEL;
            case MB_YESNO:
                return IDNO;
            default:
                return IDOK;
        }
    }
    std::string text_;
    UINT type_;
};

}  // namespace

int ZEVAMessageBox(const std::string& text, UINT type, UINT, CWnd* parent) {
    try {
        RegisterTemplate();
        CDlgMessageBox box(text, type, parent ? parent->GetTopLevelParent() : nullptr);
        return static_cast<int>(box.DoModal());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "message box: %s\n", e.what());
        return -1;
    }
}
