#pragma once
// The landing page: looks up the customer's broadband data in the
// background, offers the two tests and owns the pages around them (tab bar,
// test pages, broadband, questions and report panels).

#include <memory>
#include <string>

#include "AsyncCalls.h"
#include "Controls.h"
#include "PlugSettings.h"
#include "ZEVAClientIntf.h"

class CDlgSelect;
class CDlgDownload;
class CDlgHttpTest;
class CDlgBandInfo;
class CDlgQuestions;
class CDlgReport;

class CDlgTestSpeed : public CImageDialog {
public:
    explicit CDlgTestSpeed(speedtest::PageServices services);
    ~CDlgTestSpeed() override;

    CDlgSelect* TabBar() const { return select_.get(); }
    CDlgDownload* DownloadPage() const { return download_.get(); }
    CDlgHttpTest* HttpPage() const { return http_.get(); }
    CDlgBandInfo* BandPanel() const { return band_.get(); }
    CDlgQuestions* QuestionsPanel() const { return questions_.get(); }
    CDlgReport* ReportPanel() const { return report_.get(); }

    // The landing page's choice buttons and the tab bar.
    void ChooseTest(bool download);
    void SwitchTab(bool download);
    // Both test pages' side panels back to the questions.
    void ResetSidePanels();

    bool InfoObtained() const { return obtained_; }
    bool LookupPending() const { return async_.Pending() != 0; }
    const std::string& Account() const { return account_; }
    const S_NetType& NetType() const { return netType_; }
    const std::string& Version() const { return version_; }

protected:
    BOOL OnInitDialog() override;

private:
    struct Lookup;
    void StartLookup();
    void ShowLookup(const Lookup& result);

    speedtest::PageServices services_;
    std::unique_ptr<CDlgSelect> select_;
    std::unique_ptr<CDlgDownload> download_;
    std::unique_ptr<CDlgHttpTest> http_;
    std::unique_ptr<CDlgBandInfo> band_;
    std::unique_ptr<CDlgQuestions> questions_;
    std::unique_ptr<CDlgReport> report_;

    std::string account_, version_, rate_, area_;
    S_NetType netType_;
    bool obtained_ = false;

    CImageButtonX downloadChoice_, httpChoice_;
    CStaticText rateLabel_, areaLabel_, status_;
    CPNGPicture statusPicture_;

    zeva::plug::AsyncCalls async_{*this};
};

namespace speedtest {
// The landing page of the window a page lives in (main window, then its
// landing page), or null.
CDlgTestSpeed* LandingOf(const CWnd* page);
}  // namespace speedtest
