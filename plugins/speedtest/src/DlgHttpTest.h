#pragma once
// The web-page test page: six fixed sites and up to four of the user's own
// addresses, fetched one after another by the web-page engine. Each site
// gets a result row and a record (name look-up, reachability, connection
// and response times); the records go to the service at the end, and the
// test conditions feed the report panel shared with the download page.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "AsyncCalls.h"
#include "ControlGroup.h"
#include "Controls.h"
#include "LoadSampler.h"
#include "PlugSettings.h"
#include "ZEVAClientIntf.h"

class CDlgResultContainer;

class CDlgHttpTest : public CImageDialog {
public:
    enum class State { Idle, Testing, Finished, Stopped };

    static constexpr int kSites = 6;
    static constexpr int kCustomRows = 4;
    static constexpr int kStepsPerSite = 5;
    static constexpr int kSiteSeconds = 5;
    static constexpr UINT kSampleMs = CLoadSampler::kSampleMs;

    explicit CDlgHttpTest(speedtest::PageServices services);
    ~CDlgHttpTest() override;

    void SetCopies(const std::string& account, const S_NetType& netType,
                   const std::string& version);
    // Report flag set, report button hidden, side panel back to the questions.
    void ResetSidePanel();

    // For the tests and the host's scripts.
    State GetState() const { return state_; }
    bool ReportShown() const { return reportShown_; }
    const std::string& Account() const { return account_; }
    const std::vector<std::string>& FixedSites() const { return fixed_; }
    const std::vector<std::string>& CustomList() const { return customList_; }
    const std::vector<std::string>& TestList() const { return testList_; }
    const std::vector<S_HttpInfo>& Records() const { return records_; }
    unsigned Steps() const { return steps_; }
    bool Busy() const { return async_.Pending() != 0; }
    CDlgResultContainer* Results() const { return results_.get(); }
    unsigned CpuAverage() const { return cpuAverage_; }
    unsigned MemAverage() const { return memAverage_; }
    unsigned PcCount() const { return pcCount_; }
    unsigned DownRate() const { return downRate_; }
    unsigned UpRate() const { return upRate_; }
    bool ProxySet() const { return proxySet_; }
    bool SamplerRunning() const { return sampler_.Running(); }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(zeva::MSG* msg) override;

private:
    struct Analysis;

    void LoadCustomRows();
    void FillRow(int row, const std::string& address);
    void HideCustomRows(int from);
    void OnAdd();
    void OnDelete(int row);
    void OnAction();
    void OnStart();
    void OnStop();
    void OnReset();
    LRESULT OnProgress(WPARAM ms, LPARAM percent);
    void SiteDone(const S_HttpInfo& record, bool answered, float seconds);
    void NextSiteOrFinish();
    void Finish();
    void ShowAnalysis(const Analysis& a);
    void ToggleReport();
    void ShowTesting(bool testing);
    void Message(const char* utf8Text);

    std::vector<std::string> fixed_;
    std::vector<std::string> customList_;
    std::vector<std::pair<std::string, bool>> customRows_;
    std::vector<std::string> testList_;
    std::size_t currentIndex_ = 0;
    unsigned steps_ = 0;
    std::vector<S_HttpInfo> records_;
    speedtest::PageServices services_;
    std::unique_ptr<zeva::plug::IHttpEngine> engine_;
    std::string account_, version_;
    S_NetType netType_;
    State state_ = State::Idle;
    bool building_ = false;    // the current site's record is being gathered
    unsigned generation_ = 0;  // results of a stopped or reset test are dropped
    bool measuring_ = false;
    std::uint32_t startTick_ = 0, recvBase_ = 0, sentBase_ = 0;
    unsigned cpuAverage_ = 0, memAverage_ = 0, pcCount_ = 0, downRate_ = 0, upRate_ = 0;
    bool proxySet_ = false;
    bool reportShown_ = false;
    CLoadSampler sampler_;

    CStaticText status_, siteLabels_[kSites], note_, headers_[3];
    CPNGPicture siteIcons_[kSites], entryPicture_, pictures_[3];
    CProgressBar progress_;
    CImageButtonX action_, add_, report_;
    CButton checks_[kCustomRows];
    CLinkLabel deletes_[kCustomRows];
    CEdit entry_;
    std::unique_ptr<CDlgResultContainer> results_;
    // Where the user enters an own address; hidden once a test has ended.
    const zeva::plug::ControlGroup entryGroup_{&entry_, &add_, &note_};

    zeva::plug::AsyncCalls async_{*this};
};
