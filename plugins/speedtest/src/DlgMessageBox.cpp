#include "DlgMessageBox.h"

#include "Resources.h"

using namespace speedtest;

CDlgMessageBox::CDlgMessageBox(std::string text, CWnd* parent)
    : CImageDialog(kTplMessageBox, parent), text_(std::move(text)) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{msgbox_ids::kOk, &ok_}, {msgbox_ids::kCancel, &cancel_}, {msgbox_ids::kText, &label_}});
    HandleClick(msgbox_ids::kOk, [this] { EndDialog(IDOK); });
    HandleClick(msgbox_ids::kCancel, [this] { EndDialog(IDCANCEL); });
    SetCaptionDrag(kDragAnywhere);
    SetStaticLook(RGB(51, 51, 51));
}

BOOL CDlgMessageBox::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kMessageBackground);
    for (CImageButtonX* b : {&ok_, &cancel_}) {
        b->SetImages(img::kMessageButtonNormal, img::kMessageButtonHover,
                     img::kMessageButtonPressed);
        b->SetShowText(true);
    }
    label_.SetWindowText(text_);
    CenterWindow();
    return 1;
}
