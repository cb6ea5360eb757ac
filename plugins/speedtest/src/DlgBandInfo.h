#pragma once
// The broadband panel beside the test pages: the contracted rate and the
// area, or two failure lines when the look-up found nothing.

#include <string>

#include "Controls.h"

class CDlgBandInfo : public CImageDialog {
public:
    CDlgBandInfo();
    // The look-up's outcome; shows the data lines or the failure lines.
    void ShowInfo(bool obtained, const std::string& rate, const std::string& area);
    // Shows the lines the stored outcome calls for (when the panel is shown).
    void ApplyLines();
    bool Obtained() const { return obtained_; }

protected:
    BOOL OnInitDialog() override;

private:
    bool obtained_ = true;  // a panel shown before the look-up ends shows "获取中..."
    CStaticText rateCaption_, rate_, areaCaption_, area_, failure_, failure2_;
    CPNGPicture picture_;
};
