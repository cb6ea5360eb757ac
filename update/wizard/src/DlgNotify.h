#pragma once
// The update notification: the current and the new version, "立即升级"
// (IDYES) or "下次升级 " (IDNO, also the close cross), a link to the
// provider's web site. Placed above the taskbar in the screen's bottom
// right corner.

#include <string>

#include "Controls.h"

class CDlgNotify : public CImageDialog {
public:
    explicit CDlgNotify(CWnd* parent = nullptr);

    std::string m_strOldVersion;
    std::string m_strNewVersion;
    std::string m_strWebSite;

    // Where the dialog goes: right edge 5 pixels left of the screen's free
    // area, bottom 5 pixels above the taskbar (`taskbar` all zero without one).
    static CPoint Placement(const CRect& taskbar, int screenRight, CSize dialog);

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;

private:
    void PlaceAboveTaskbar();

    CImageButtonX m_btnNow;
    CImageButtonX m_btnLater;
    CImageButtonX m_btnClose;
    CStaticText m_lblOldVersion;
    CStaticText m_lblNewVersion;
    CLinkLabel m_lblLink;
};
