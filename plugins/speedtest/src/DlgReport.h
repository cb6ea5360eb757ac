#pragma once
// The network-analysis report beside a finished test: processor and memory
// load, other devices, other traffic and the proxy, each with its hint.

#include "Controls.h"
#include "PlugSettings.h"

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
