#pragma once
// The sample page's child dialog (template 20002): a line-status strip
// embedded in the page, whose status shows a second after it opens (a
// timer), and a hidden reference label. Scripts and tests address its
// controls as 20002/ID.

#include "Controls.h"

namespace sample {

inline constexpr UINT kDetailsTemplateId = 20002;
inline constexpr UINT kIdLineLabel = 20201;
inline constexpr UINT kIdLineStatus = 20202;
inline constexpr UINT kIdLineReference = 20203;  // hidden
inline constexpr UINT kLineTimer = 2;
inline constexpr UINT kLineTimerMs = 1000;

void RegisterDetailsResources();

}  // namespace sample

class CDlgSampleDetails : public CImageDialog {
public:
    CDlgSampleDetails();
    // Creates the strip inside `page`, right of the plan picker.
    BOOL CreateIn(CImageDialog& page);

protected:
    BOOL OnInitDialog() override;
    void OnTimer(zeva::UINT_PTR id) override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) override;

private:
    CBrush background_{RGB(0xFF, 0xF7, 0xD6)};
};
