#pragma once
// The web-page test page. This release shows its place in the window and
// takes part in the navigation (copies, side panel); the site tests come
// with the web-page engine's page.

#include <string>

#include "Controls.h"
#include "ZEVAClientIntf.h"

class CDlgHttpTest : public CImageDialog {
public:
    CDlgHttpTest();
    void SetCopies(const std::string& account, const S_NetType& netType, const std::string& version);
    // Report flag set, report button hidden, side panel back to the questions.
    void ResetSidePanel();
    bool ReportShown() const { return reportShown_; }
    const std::string& Account() const { return account_; }

protected:
    BOOL OnInitDialog() override;

private:
    std::string account_, version_;
    S_NetType netType_;
    bool reportShown_ = false;
    CStaticText status_;
    CProgressBar progress_;
    CImageButtonX report_;
};
