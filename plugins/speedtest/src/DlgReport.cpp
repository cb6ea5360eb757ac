#include "DlgReport.h"

#include "DlgQuestions.h"
#include "DlgShareNet.h"
#include "DlgTestSpeed.h"
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
    SetBackgroundImage(img::kPanelBackground);
    heading_.SetImage(img::kReportHeading);
    headingText_.SetTransparent(true);
    headingText_.SetFontBold(true);
    headingText_.SetTextColor(RGB(255, 255, 255));
    for (int i = 0; i < 5; ++i) icons_[i].SetImage(img::kReportIcons[i]);
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

bool speedtest::ShowReportPanel(const CWnd* page, CImageButtonX& button, bool show,
                                const ReportFacts& facts) {
    CDlgTestSpeed* landing = LandingOf(page);
    CDlgReport* report = landing ? landing->ReportPanel() : nullptr;
    CDlgQuestions* questions = landing ? landing->QuestionsPanel() : nullptr;
    if (show) {
        if (report) {
            report->Fill(facts.cpuPercent, facts.memPercent, facts.severalDevices,
                         facts.otherKbPerSecond, facts.proxySet);
            report->ShowWindow(SW_SHOW);
        }
        if (questions) questions->ShowWindow(SW_HIDE);
        button.SetNormalImage(img::kQuestionsButton);
        button.SetWindowText(zeva::Acp("返回常见问题"));
    } else {
        if (questions) questions->ShowWindow(SW_SHOW);
        if (report) report->ShowWindow(SW_HIDE);
        button.SetNormalImage(img::kReportButton);
        button.SetWindowText(zeva::Acp("查看分析报告"));
    }
    return show;
}
