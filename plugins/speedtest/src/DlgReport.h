#pragma once
// The network-analysis report beside a finished test: processor and memory
// load, other devices, other traffic and the proxy, each with its hint.

#include "Controls.h"
#include "PlugSettings.h"

namespace speedtest {

// What the report panel states about a finished test.
struct ReportFacts {
    unsigned cpuPercent = 0, memPercent = 0;
    bool severalDevices = false;
    unsigned otherKbPerSecond = 0;
    bool proxySet = false;
};

// The side panel beside a test page: the report filled with `facts` when
// `show`, else the questions; the page's report button says where it leads
// next. Returns `show`, the page's new report flag.
bool ShowReportPanel(const CWnd* page, CImageButtonX& button, bool show, const ReportFacts& facts);

}  // namespace speedtest

class CDlgReport : public CImageDialog {
public:
    explicit CDlgReport(speedtest::PageServices services);
    void Fill(unsigned cpuPercent, unsigned memPercent, bool severalDevices,
              unsigned otherKbPerSecond, bool proxySet);

protected:
    BOOL OnInitDialog() override;

private:
    speedtest::PageServices services_;
    CStaticText lines_[5], hints_[5];
    CLinkLabel link_;
    CStaticText headingText_;
    CPNGPicture heading_, icons_[5];
};
