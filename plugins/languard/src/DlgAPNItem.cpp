#include "DlgAPNItem.h"

#include "LanguardResources.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace languard;

CDlgAPNItem::CDlgAPNItem() : CImageDialog(kRowTemplate) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{kIdRowMac, &m_mac},
          {kIdRowIp, &m_ip},
          {kIdRowName, &m_name},
          {kIdRowVendor, &m_vendor},
          {kIdRowMarker, &m_marker},
          {kIdRowPicture, &m_picture}});
    SetStaticLook(RGB(0x33, 0x33, 0x33));
}

BOOL CDlgAPNItem::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(kImgRow, 2);
    m_name.SetFontBold(true);
    m_name.SetTextColor(kTextGrey);
    m_picture.SetImage(kImgRowPicture);
    return 1;
}

BOOL CDlgAPNItem::PreTranslateMessage(MSG* msg) {
    // A row is part of the page: Escape and Return must not end it.
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN))
        return 1;
    return CImageDialog::PreTranslateMessage(msg);
}

void CDlgAPNItem::SetDevice(const std::string& ip, const std::string& mac,
                            const std::string& vendor) {
    m_ip.SetWindowText(ip);
    m_mac.SetWindowText(mac);
    m_vendor.SetWindowText(vendor);
}

void CDlgAPNItem::SetName(const std::string& name) {
    m_name.SetWindowText(name);
    m_name.Invalidate();
}

void CDlgAPNItem::MarkOwnComputer() {
    m_marker.SetWindowText(Acp("本机"));
}
