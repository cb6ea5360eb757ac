#include "DlgHttpTest.h"

#include "DlgQuestions.h"
#include "DlgReport.h"
#include "DlgTestSpeed.h"
#include "Resources.h"

using namespace speedtest;

CDlgHttpTest::CDlgHttpTest() : CImageDialog(kTplHttpTest, nullptr) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{http_ids::kStatus, &status_}, {http_ids::kProgress, &progress_}, {http_ids::kReport, &report_}});
    SetStaticLook(RGB(53, 119, 187));
}

BOOL CDlgHttpTest::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(14050);
    progress_.SetRange(0, 100);
    report_.SetNormalImage(14070u);
    report_.SetShowText(true);
    return 1;
}

void CDlgHttpTest::SetCopies(const std::string& account, const S_NetType& netType, const std::string& version) {
    account_ = account;
    netType_ = netType;
    version_ = version;
}

void CDlgHttpTest::ResetSidePanel() {
    reportShown_ = false;
    report_.ShowWindow(SW_HIDE);
    report_.SetNormalImage(14070u);
    if (CDlgTestSpeed* landing = LandingOf(this)) {
        if (CDlgQuestions* q = landing->QuestionsPanel()) q->ShowWindow(SW_SHOW);
        if (CDlgReport* r = landing->ReportPanel()) r->ShowWindow(SW_HIDE);
    }
}
