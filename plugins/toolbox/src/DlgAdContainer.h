#pragma once
// CDlgAdContainer: the advertisement strip under the tool grid: up to four
// text links from "ad.dat", paged every five seconds while the strip is
// shown; a click opens the advertisement's web address.

#include <array>
#include <string>
#include <vector>

#include "AdLinkOpener.h"
#include "Controls.h"
#include "LinkLabel.h"
#include "PageServices.h"
#include "ToolboxResources.h"

namespace toolbox {

struct AdEntry {
    std::string AdText;
    std::string AdLink;
};

// The advertisements of "ad.dat" below `appDir`: sections in file order,
// only those with both a text and a link.
std::vector<AdEntry> ReadAds(const std::string& appDir);

}  // namespace toolbox

class CDlgAdContainer : public CImageDialog {
public:
    explicit CDlgAdContainer(std::shared_ptr<zeva::plug::ILinkOpener> opener);
    ~CDlgAdContainer() override;

    const std::vector<toolbox::AdEntry>& Ads() const { return ads_; }
    unsigned NextAd() const { return nextAd_; }
    CStaticText& Link(int slot) { return links_[static_cast<std::size_t>(slot)]; }
    CPNGPicture& Bullet(int slot) { return bullets_[static_cast<std::size_t>(slot)]; }

    BOOL DestroyWindow() override;

protected:
    BOOL OnInitDialog() override;
    void OnTimer(zeva::UINT_PTR id) override;
    void OnShowWindow(BOOL show, UINT status) override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) override;

private:
    void FillSlots();
    void OpenSlot(int slot);

    CStaticText title_;
    std::array<CLinkLabel, toolbox::kAdSlots> links_;
    std::array<CPNGPicture, toolbox::kAdSlots> bullets_;
    std::vector<toolbox::AdEntry> ads_;
    unsigned nextAd_ = 0;
    std::shared_ptr<zeva::plug::ILinkOpener> opener_;
    CBrush black_{RGB(0, 0, 0)};
};
