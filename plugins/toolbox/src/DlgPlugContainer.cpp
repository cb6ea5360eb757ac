#include "DlgPlugContainer.h"

#include <cstring>

#include "ToolboxResources.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace toolbox;

namespace {

constexpr int kColumns = 5;
constexpr int kColumnX[kColumns] = {20, 130, 240, 350, 460};
constexpr int kRowHeight = 74;
constexpr int kTopMargin = 5;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 100;
constexpr int kPage = 100;
constexpr COLORREF kCaptionColour = 0x383838;
// Centred both ways in what is left of the button below its image.
constexpr UINT kCaptionAlign = DT_CENTER | DT_VCENTER;
constexpr int kCaptionTop = 45;

}  // namespace

CDlgPlugContainer::CDlgPlugContainer() : CScrollContainer(kContainerTemplate, nullptr) {
    // Line 5, page 50 and wheel 750 pixels.
    SetScrollSteps(5, 50, 750);
}

CDlgPlugContainer::~CDlgPlugContainer() {
    if (m_hWnd) CDlgPlugContainer::DestroyWindow();
}

BOOL CDlgPlugContainer::OnInitDialog() {
    CScrollContainer::OnInitDialog();
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 0;
    si.nPage = kPage;
    si.nPos = 0;
    SetScrollInfo(SB_VERT, si);
    return 1;
}

void CDlgPlugContainer::AddButton(const std::string& normalImage, const std::string& pressedImage,
                                  const std::string& caption, const std::string& hoverImage) {
    if (!m_hWnd) return;
    const int n = static_cast<int>(buttons_.size());
    const int row = n / kColumns;
    // Rows are laid out in content coordinates: what is scrolled away lies above 0.
    const int x = kColumnX[n % kColumns];
    const int y = row * kRowHeight + kTopMargin - GetScrollPos(SB_VERT);
    auto button = std::make_unique<CImageButtonX>();
    button->Create(caption, WS_CHILD | WS_VISIBLE | WS_GROUP,
                   CRect(x, y, x + kButtonWidth, y + kButtonHeight), this, kIdToolButton);
    button->SetShowText(true);
    if (!normalImage.empty()) button->SetNormalImage(normalImage);
    if (!pressedImage.empty()) button->SetSelectImage(pressedImage);
    if (!hoverImage.empty()) button->SetOverImage(hoverImage);
    button->SetAuotSize(true);

    LOGFONT font{};
    const std::string face = Acp("宋体");
    std::strncpy(font.lfFaceName, face.c_str(), sizeof font.lfFaceName - 1);
    font.lfHeight = 13;
    font.lfWeight = FW_BOLD;
    for (int state : {1, 2}) {
        button->SetTextFont(state, &font);
        button->SetTextColor(state, kCaptionColour);
    }
    button->SetTextAligns(kCaptionAlign);
    button->SetTextDeflateRect(CRect(0, kCaptionTop, 0, 0));
    CImageButtonX& added = *button;
    buttons_.push_back(std::move(button));
    UpdateScrollRange(added, row);
}

void CDlgPlugContainer::UpdateScrollRange(const CImageButtonX& newest, int row) {
    CRect client;
    GetClientRect(&client);
    const int content = row * kRowHeight + newest.Rect().Height() + kTopMargin;
    const int maximum = content - client.Height() + kPage;
    int page = 0;
    if (maximum >= kPage) {
        page = kPage;
    } else if (maximum >= 1) {
        page = maximum;
    }
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMin = 0;
    si.nMax = maximum;
    si.nPage = static_cast<UINT>(page);
    SetScrollInfo(SB_VERT, si);
}

void CDlgPlugContainer::RemoveButtons() {
    for (auto& button : buttons_) button->DestroyWindow();
    buttons_.clear();
    selectedIndex_ = -1;
}

BOOL CDlgPlugContainer::DestroyWindow() {
    RemoveButtons();
    return CScrollContainer::DestroyWindow();
}

int CDlgPlugContainer::IndexOf(HWND hwnd) const {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (hwnd && buttons_[i]->GetSafeHwnd() == hwnd) return static_cast<int>(i);
    }
    return -1;
}

BOOL CDlgPlugContainer::PreTranslateMessage(MSG* msg) {
    const int index = IndexOf(msg->hwnd);
    switch (msg->message) {
        case WM_LBUTTONUP:
            if (index >= 0) {
                selectedIndex_ = index;
                if (clickWindow_) zeva::PostMessage(clickWindow_, clickMessage_, 0, 0);
            }
            break;
        case WM_MOUSEHOVER:
            if (index >= 0 && GetParent())
                GetParent()->SendMessage(kMsgButtonHover, 1, static_cast<LPARAM>(index));
            break;
        case WM_MOUSELEAVE:
            if (msg->hwnd != m_hWnd && GetParent()) GetParent()->SendMessage(kMsgButtonHover, 2, 0);
            break;
        case WM_KEYDOWN:
            // The grid never closes its page.
            if (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN) return 1;
            break;
        default:
            break;
    }
    return CScrollContainer::PreTranslateMessage(msg);
}

HBRUSH CDlgPlugContainer::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    HBRUSH brush = CScrollContainer::OnCtlColor(pDC, pWnd, ctlColor);
    return ctlColor == CTLCOLOR_DLG ? static_cast<HBRUSH>(white_) : brush;
}
