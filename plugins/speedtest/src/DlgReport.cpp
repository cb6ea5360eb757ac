#include "DlgReport.h"

#include "DlgShareNet.h"
#include "PlugSettings.h"
#include "Resources.h"
#include "SpeedCalc.h"
#include "platform/CodePage.h"

using namespace speedtest;
using namespace speedtest::report_ids;

CDlgReport::CDlgReport(PageServices services)
    : CImageDialog(kTplReport, nullptr), services_(std::move(services)) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    for (UINT i = 0; i < 5; ++i) {
        Bind(static_cast<int>(kCpu + i), lines_[i]);
        Bind(static_cast<int>(kCpuHint + i), hints_[i]);
        Bind(static_cast<int>(kFirstIcon + i), icons_[i]);
    }
    Bind({{kLink, &link_}, {kHeading, &heading_}, {kHeadingText, &headingText_}});
    HandleClick(kLink, [this] {
        CDlgShareNet shareNet(services_);
        shareNet.DoModal();
    });
}

BOOL CDlgReport::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(14051);
    heading_.SetImage(14077u);
    headingText_.SetTransparent(true);
    headingText_.SetFontBold(true);
    headingText_.SetTextColor(RGB(255, 255, 255));
    static const UINT kIcons[5] = {14078, 14080, 14079, 14082, 14081};
    for (int i = 0; i < 5; ++i) icons_[i].SetImage(kIcons[i]);
    link_.SetUnderline(true);
    link_.SetCursor(IDC_HAND);
    return 1;
}

void CDlgReport::Fill(unsigned cpu, unsigned mem, bool several, unsigned other, bool proxy) {
    const ReportLine lines[5] = {CpuLine(cpu), MemoryLine(mem), LanLine(several),
                                 TrafficLine(other), ProxyLine(proxy)};
    for (int i = 0; i < 5; ++i) {
        lines_[i].SetWindowText(lines[i].text);
        hints_[i].ShowWindow(lines[i].hint ? SW_SHOW : SW_HIDE);
    }
    link_.ShowWindow(lines[2].hint ? SW_SHOW : SW_HIDE);
}
