#pragma once
// The speed test's main window: close and minimise buttons and the landing
// page, which owns everything else.

#include <memory>

#include "Controls.h"
#include "DlgSubPage.h"

class CDlgTestSpeed;

class CDlgTestMain : public CDlgSubPage {
public:
    CDlgTestMain();
    ~CDlgTestMain() override;
    CDlgTestSpeed* Landing() const { return landing_.get(); }

protected:
    BOOL OnInitDialog() override;

private:
    std::unique_ptr<CDlgTestSpeed> landing_;
    CImageButtonX close_, minimise_;
    CStaticText title_;
};
