#pragma once
// The download test page: fetches the test addresses (service, else the
// local cache), lets the download-rate engine run for 15 seconds while it
// shows the live rate, then rates the average against the contracted rate,
// analyses the test conditions and reports the result to the service.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AsyncCalls.h"
#include "ControlGroup.h"
#include "Controls.h"
#include "LoadSampler.h"
#include "PlugSettings.h"
#include "ZEVAClientIntf.h"

class CDlgDownload : public CImageDialog {
public:
    enum class State { Idle, Fetching, Running, Analysing, Finished, Stopped };

    static constexpr UINT kTimerLive = 1;
    static constexpr UINT kTimerWatchdog = 2;
    static constexpr UINT kTimerFinish = 3;
    static constexpr UINT kLiveMs = 500;
    static constexpr UINT kWatchdogMs = 15000;
    static constexpr UINT kTestMs = 15000;
    static constexpr UINT kSampleMs = CLoadSampler::kSampleMs;

    explicit CDlgDownload(speedtest::PageServices services);
    ~CDlgDownload() override;

    // The landing page's look-up results, copied when the page is entered.
    void SetCopies(const std::string& account, const S_NetType& netType,
                   const std::string& version);
    // Side panel back to the questions, the report button hidden.
    void ResetSidePanel();

    // For the tests and the host's scripts.
    State GetState() const { return state_; }
    const std::vector<std::string>& UrlList() const { return urlList_; }
    const std::vector<std::string>& LastReport() const { return lastReport_; }
    bool RadarShown() const;
    unsigned Samples() const { return sampler_.Samples(); }
    unsigned CpuAverage() const { return cpuAverage_; }
    unsigned MemAverage() const { return memAverage_; }
    unsigned PcCount() const { return pcCount_; }
    unsigned OtherDownRate() const { return otherDownRate_; }
    unsigned UpRate() const { return upRate_; }
    bool ProxySet() const { return proxySet_; }
    bool ReportShown() const { return reportShown_; }
    bool SamplerRunning() const { return sampler_.Running(); }

protected:
    BOOL OnInitDialog() override;
    void OnTimer(zeva::UINT_PTR id) override;

private:
    struct Analysis;
    struct TestEnd;
    static Analysis Analyse(const speedtest::PageServices& services, const TestEnd& end);

    void OnStart();
    void ContinueStart();
    void OnStopOrAgain();
    LRESULT OnProgress(WPARAM rate, LPARAM percent);
    void OnLiveTimer();
    void OnWatchdog();
    void StopRunning();
    void ResetIdle();
    void EndOfTest();
    void ShowAnalysis(const Analysis& a);
    void EnterFinished();
    void ToggleReport();
    void MoveRunningLayout(bool running);
    void Message(const char* utf8Text);
    std::uint32_t ElapsedMs() const;

    // Page state.
    std::vector<std::string> urlList_;
    std::vector<S_SpeedConfig> speedConfigs_;
    speedtest::PageServices services_;
    std::unique_ptr<zeva::plug::IDownloadEngine> engine_;
    std::unique_ptr<zeva::plug::IWaitIndicator> radar_;
    std::shared_ptr<std::atomic<bool>> reportDropped_;  // set when the user stops the test
    std::string serviceAddress_;
    std::string account_, version_;
    S_NetType netType_;
    int progress_ = -1;
    unsigned engineRate_ = 0;
    bool measuring_ = false;  // the first progress message has come
    std::uint32_t startTick_ = 0;
    std::string beginTime_;
    unsigned peakRate_ = 0;
    bool running_ = false;
    bool reportShown_ = false;
    State state_ = State::Idle;
    unsigned generation_ = 0;  // a stopped test's late results are dropped
    std::uint32_t recvBase_ = 0, sentBase_ = 0;
    std::uint32_t elapsedMs_ = 0;
    unsigned average_ = 0;
    unsigned cpuAverage_ = 0, memAverage_ = 0, pcCount_ = 0, otherDownRate_ = 0, upRate_ = 0;
    bool proxySet_ = false;
    CLoadSampler sampler_;
    std::vector<std::string> lastReport_;
    CRect idleBar_, idleStatus_;

    CStaticText status_, liveRateCaption_, liveRate_, livePercentCaption_, livePercent_;
    CStaticText contractedCaption_, averageCaption_, ratingCaption_;
    CStaticText contracted_, averageText_, lineRate_, rating_, advice_, hintBefore_, hintDuring_;
    CProgressBar progressBar_;
    CImageButtonX start_, stop_, report_;
    CPNGPicture contractedPicture_, averagePicture_, ratingPicture_, advicePicture_, statusPicture_,
        hintPicture_, picture_;
    // The live figures while a test runs, and the results of a finished one.
    const zeva::plug::ControlGroup liveGroup_{&liveRateCaption_, &liveRate_, &livePercentCaption_,
                                              &livePercent_};
    const zeva::plug::ControlGroup resultGroup_{
        &contractedPicture_, &averagePicture_, &ratingPicture_, &contractedCaption_,
        &averageCaption_,    &ratingCaption_,  &contracted_,    &averageText_,
        &lineRate_,          &rating_,         &advicePicture_, &advice_};

    zeva::plug::AsyncCalls async_{*this};
};
