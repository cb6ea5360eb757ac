#pragma once
// The speed test's main window: close and minimise buttons and the landing
// page, which owns everything else.

#include <memory>

#include "Controls.h"
#include "DlgSubPage.h"
#include "PlugSettings.h"

class CDlgTestSpeed;

class CDlgTestMain : public CDlgSubPage {
public:
    CDlgTestMain();
    explicit CDlgTestMain(speedtest::PageServices services);
    ~CDlgTestMain() override;
    CDlgTestSpeed* Landing() const { return landing_.get(); }

protected:
    BOOL OnInitDialog() override;

private:
    speedtest::PageServices services_;
    std::unique_ptr<CDlgTestSpeed> landing_;
    CImageButtonX close_, minimise_;
    CStaticText title_;
};
