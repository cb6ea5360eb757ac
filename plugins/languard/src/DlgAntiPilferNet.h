#pragma once
// CDlgAntiPilferNet: the LAN check page "防蹭网检测". It scans the local
// network twice, a second apart, asks the devices for their names, lists
// every device with name, MAC address, vendor and IP address, marks this
// computer "本机" and says how many other devices share the network.
//
// The scans and the name searches run on workers; their results come back
// to the window thread when each worker ends (nothing is shared while they
// run), and a 500 ms poll moves them into the list. A result of an earlier
// search (rescan, closed page) is dropped.

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Controls.h"
#include "DlgAPNContainer.h"
#include "DlgSubPage.h"
#include "LinkLabel.h"
#include "LookAnimation.h"
#include "PageServices.h"

class CDlgAntiPilferNet : public CDlgSubPage {
public:
    static constexpr zeva::UINT_PTR kPollTimer = 1;
    static constexpr zeva::UINT_PTR kSecondScanTimer = 2;
    static constexpr UINT kPollMs = 500;
    static constexpr UINT kScanGapMs = 1000;

    CDlgAntiPilferNet();
    explicit CDlgAntiPilferNet(zeva::plug::PageServices services);
    ~CDlgAntiPilferNet() override;

    BOOL DestroyWindow() override;
    // Tells the running search to stop and drops its results (the library
    // is about to unload).
    void AbandonSearch();

    enum class State { Searching, ListBuilt, Finished };
    State CurrentState() const;
    const std::vector<zeva::plug::LanDevice>& Devices() const { return devices_; }
    // Why the list may be incomplete or the search failed; empty after a full scan.
    const std::string& ScanNote() const { return scanNote_; }
    CDlgAPNContainer& List() { return list_; }
    CLookAnimation& Animation() { return animation_; }

protected:
    BOOL OnInitDialog() override;
    void OnTimer(zeva::UINT_PTR id) override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) override;

private:
    void StartSearch();
    void Rescan();
    struct Scanned {
        int count = 0;
        std::vector<zeva::plug::LanDevice> devices;
        std::string note;
    };
    void RunScan(int pass);
    void OnScanned(int pass, const Scanned& scanned);
    // The scan could not be made: the page says why and offers a rescan.
    void FailSearch(const std::string& reason);
    void AskNames();
    void OnNames(const std::vector<zeva::plug::NeighbourEntry>& found);
    void Poll();
    void Finish();
    void ShowSearching(bool rescan);

    CImageButtonX close_;  // 13000
    CDlgAPNContainer list_;
    std::vector<zeva::plug::LanDevice> devices_;
    std::list<zeva::plug::NeighbourEntry> neighbours_;
    bool browseDone_ = false;
    bool scanDone_ = false;
    bool listBuilt_ = false;
    CLookAnimation animation_;  // 13005
    CStaticText count_;         // 13007
    CStaticText searching_;     // 13011
    CStaticText found_;         // 13009
    CLinkLabel rescan_;         // 13013
    CStaticText advice_;        // 13010
    CStaticText slogan_;        // 13012
    CPNGPicture foundPicture_;  // 13014
    CPNGPicture donePicture_;   // 13016
    CStaticText nameHeading_;   // 13017
    CStaticText title_;
    CStaticText note_;  // 13019

    std::shared_ptr<zeva::plug::ILanScanner> services_;
    // One per search: results carry it back and count only while it is current.
    std::uint64_t search_ = 0;
    std::shared_ptr<std::atomic<bool>> stop_;
    bool secondScanDone_ = false;
    int namesRunning_ = 0;
    std::set<std::string> asked_;
    bool finished_ = false;
    // What the scans said of their own completeness (system code page).
    std::string scanNote_;
};
