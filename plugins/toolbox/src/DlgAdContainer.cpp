#include "DlgAdContainer.h"

#include <cstdio>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "PageSkin.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace toolbox;

namespace {

constexpr COLORREF kAdColour = 0x826A55;

}  // namespace

std::vector<AdEntry> toolbox::ReadAds(const std::string& appDir) {
    std::vector<AdEntry> ads;
    CCryptConfigFile file(appDir + cfgkeys::kAdDat, "");
    std::vector<std::string> sections;
    file.ReadSections(sections);
    for (const std::string& section : sections) {
        AdEntry ad;
        file.ReadString(section, cfgkeys::kKeyAdText, "", ad.AdText);
        file.ReadString(section, cfgkeys::kKeyAdLink, "", ad.AdLink);
        if (!ad.AdText.empty() && !ad.AdLink.empty()) ads.push_back(std::move(ad));
    }
    return ads;
}

CDlgAdContainer::CDlgAdContainer(std::shared_ptr<plug::ILinkOpener> opener)
    : CImageDialog(kStripTemplate, nullptr), opener_(std::move(opener)) {
    Bind(kIdStripTitle, title_);
    for (int k = 0; k < kAdSlots; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        Bind(static_cast<int>(kIdFirstAdLink) + k, links_[slot]);
        Bind(static_cast<int>(kIdFirstBullet) + k, bullets_[slot]);
        HandleClick(static_cast<int>(kIdFirstAdLink) + k, [this, k] { OpenSlot(k); });
    }
}

CDlgAdContainer::~CDlgAdContainer() {
    if (m_hWnd) CDlgAdContainer::DestroyWindow();
}

BOOL CDlgAdContainer::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(plug::skin::kStripBackground, 2);
    title_.SetFontBold(true);
    title_.SetFontSize(13);
    title_.SetTextColor(kAdColour);
    title_.SetTransparent(true);
    for (int k = 0; k < kAdSlots; ++k) {
        CLinkLabel& link = links_[static_cast<std::size_t>(k)];
        link.SetFontBold(true);
        link.SetFontSize(12);
        link.SetTextColor(kAdColour);
        link.SetTextAligns(DT_VCENTER);
        link.SetCursor(IDC_HAND);
        link.SetTransparent(true);
        bullets_[static_cast<std::size_t>(k)].SetImage(plug::skin::kStripMarker);
    }
    ads_ = ReadAds(ApplicationPathAcp());
    nextAd_ = 0;
    if (!ads_.empty()) {
        FillSlots();
        SetTimer(kAdTimer, kAdPeriodMs);
    }
    return 1;
}

void CDlgAdContainer::FillSlots() {
    for (int k = 0; k < kAdSlots; ++k) {
        CLinkLabel& link = links_[static_cast<std::size_t>(k)];
        CPNGPicture& bullet = bullets_[static_cast<std::size_t>(k)];
        if (nextAd_ < ads_.size()) {
            link.SetWindowText(ads_[nextAd_].AdText);
            link.ShowWindow(SW_SHOW);
            bullet.ShowWindow(SW_SHOW);
            ++nextAd_;
        } else {
            link.SetWindowText("");
            link.ShowWindow(SW_HIDE);
            bullet.ShowWindow(SW_HIDE);
        }
    }
}

void CDlgAdContainer::OnTimer(UINT_PTR) {
    // Paging is for the eye: a strip nobody sees (its page hidden) keeps its set.
    if (ads_.empty() || !IsWindowVisible()) return;
    if (nextAd_ >= ads_.size()) nextAd_ = 0;
    FillSlots();
    if (CWnd* page = GetParent()) page->Invalidate();
}

void CDlgAdContainer::OnShowWindow(BOOL show, UINT status) {
    CImageDialog::OnShowWindow(show, status);
    if (show && !ads_.empty()) {
        SetTimer(kAdTimer, kAdPeriodMs);
    } else {
        KillTimer(kAdTimer);
    }
}

void CDlgAdContainer::OpenSlot(int slot) {
    const std::string text = links_[static_cast<std::size_t>(slot)].GetWindowText();
    if (text.empty()) return;
    for (const AdEntry& ad : ads_) {
        if (ad.AdText != text) continue;
        // Only web addresses reach the shell: a program path or command line in
        // the advertisement file is never started.
        if (!IsWebAddress(ad.AdLink)) {
            std::fprintf(stderr, "toolbox: advertisement link is not a web address: %s\n",
                         AcpToUtf8(ad.AdLink).c_str());
            return;
        }
        opener_->Open(ad.AdLink);
        return;
    }
}

BOOL CDlgAdContainer::DestroyWindow() {
    ads_.clear();
    KillTimer(kAdTimer);
    return CImageDialog::DestroyWindow();
}

HBRUSH CDlgAdContainer::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    HBRUSH brush = CImageDialog::OnCtlColor(pDC, pWnd, ctlColor);
    return ctlColor == CTLCOLOR_DLG ? static_cast<HBRUSH>(black_) : brush;
}
