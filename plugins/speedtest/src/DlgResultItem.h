#pragma once
// One row of the web-page test's result list: icon, address, seconds and
// the verdict on the response time.

#include <string>

#include "Controls.h"

namespace speedtest {
struct Verdict {
    const char* text;  // UTF-8
    COLORREF colour;
};
// The verdict on a response of `seconds`; a failed site cannot be reached.
Verdict VerdictFor(bool answered, float seconds);
}  // namespace speedtest

class CDlgResultItem : public CImageDialog {
public:
    CDlgResultItem();
    void Fill(bool answered, const std::string& address, float seconds);

protected:
    BOOL OnInitDialog() override;

private:
    CPNGPicture icon_;
    CStaticText address_, seconds_, verdict_;
};
