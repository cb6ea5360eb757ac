#pragma once
// The tab bar above the test pages: download test or web-page test.

#include "Controls.h"

class CDlgSelect : public CImageDialog {
public:
    CDlgSelect();
    void Check(bool download);
    bool DownloadChecked() const { return download_.GetCheck() != 0; }
    bool HttpChecked() const { return http_.GetCheck() != 0; }

protected:
    BOOL OnInitDialog() override;

private:
    CImageButtonX download_, http_;
};
