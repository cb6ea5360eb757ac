#pragma once
// CDlgReceipt: the page with which a technician closes a repair work order.
// It finds the customer's account and open work orders, measures the
// download rate against the subscribed bandwidth, gathers facts about the
// computer and its link and uploads everything as one work-order report.
// Everything runs on the window thread; the download engine reports by
// posting its progress message to the page.

#include <cstdint>
#include <string>
#include <vector>

#include "ComboBox.h"
#include "Controls.h"
#include "DlgSubPage.h"
#include "PageServices.h"

namespace receipt {

// The report's values, kept between submissions.
struct ReceiptRecord {
    std::string WorkListNum;
    std::string Speed;
    std::string DialType;
    std::string ConnectType;
    std::string CpuType;
    std::string MemoryTotalSize;
    std::string WirelessIntensity;
    std::string Remarks;
    std::string ClientId;
    std::string HardwareInfo2;
    std::string Mac;
    std::string Version;
    std::string Account;
    std::string BandRate;
};

// The download engine's progress message (WPARAM rate, LPARAM progress).
inline constexpr UINT kMsgSpeedProgress = 1627;
inline constexpr UINT kRefreshTimer = 1;
inline constexpr UINT kRefreshMs = 500;
inline constexpr unsigned long kTestDurationMs = 15000;

}  // namespace receipt

class CDlgReceipt : public CDlgSubPage {
public:
    CDlgReceipt();
    explicit CDlgReceipt(zeva::plug::PageServices services);
    ~CDlgReceipt() override;

    // Looks up the account, its bandwidth, the test servers and the work
    // orders, then creates and shows the page; 0 (no page) when the test
    // servers cannot be had.
    BOOL CreateSubWindow(UINT templateId, CWnd* parent) override;
    BOOL DestroyWindow() override;
    void CloseDialog(int result) override;

    // State the tests look at.
    int RequiredSpeed() const { return requiredSpeed_; }
    const std::vector<std::string>& TestUrls() const { return testUrls_; }
    const receipt::ReceiptRecord& Record() const { return record_; }
    std::uint32_t CurrentSpeed() const { return currentSpeed_; }
    int Progress() const { return progress_; }

protected:
    BOOL OnInitDialog() override;
    void OnTimer(zeva::UINT_PTR id) override;

private:
    void StartSpeedTest();
    LRESULT OnSpeedProgress(WPARAM wParam, LPARAM lParam);
    void Submit();
    void CollectMachineFacts();
    void CollectAdapterFacts();
    void ShowMessage(const std::string& text);
    void EnableButtons(bool enable);
    // A back-office client on the page's endpoint, 7 s time-out.
    std::unique_ptr<zeva::plug::IServiceClient> NewClient() const;

    zeva::plug::PageServices services_;
    std::unique_ptr<zeva::plug::IWaitIndicator> radar_;

    std::vector<S_SpeedConfig> speedConfigs_;
    std::vector<std::string> testUrls_;
    std::string serviceUrl_;
    int useProxy_ = 1;
    int reportedSpeed_ = 0;
    int progress_ = -1;
    CImageButtonX testButton_, submitButton_, closeButton_;
    CStaticText title_;
    CPNGPicture picture_;
    CStaticText speedDisplay_;
    CStaticText suggestionLabel_;
    std::unique_ptr<zeva::plug::IServiceClient> client_;
    CStaticText speedLabel_, unitLabel_;
    bool closing_ = false;
    std::unique_ptr<zeva::plug::IDownloadEngine> speedTester_;
    receipt::ReceiptRecord record_;
    CStatic engineerNameLabel_, engineerPhoneLabel_;
    CStaticText resultLabel_;
    int requiredSpeed_ = 0;
    std::uint32_t fluxAtStart_[2] = {0, 0};
    std::uint32_t tickAtStart_ = 0;
    std::uint32_t currentSpeed_ = 0;

    CEdit account_, engineerName_, engineerPhone_, suggestion_;
    CComboBox workOrders_;
};
