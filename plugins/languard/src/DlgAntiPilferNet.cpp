#include "DlgAntiPilferNet.h"

#include "DirectoryEx.h"
#include "LanguardResources.h"
#include "PageSkin.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace languard;
using zeva::plug::LanDevice;
using zeva::plug::NeighbourEntry;

namespace {

// The name column of a device; one that answered for many addresses says
// how many, so a proxy-answering router reads as the one device it is.
std::string RowName(const LanDevice& d) {
    if (d.Addresses <= 1) return d.Name;
    const std::string name = d.Name.empty() ? Acp("未知") : d.Name;
    return name + Acp("（代答" + std::to_string(d.Addresses) + "个地址）");
}

}  // namespace

CDlgAntiPilferNet::CDlgAntiPilferNet() : CDlgAntiPilferNet(plug::PageServices::RealLocal()) {}

CDlgAntiPilferNet::CDlgAntiPilferNet(plug::PageServices services)
    : CDlgSubPage(kPageTemplate, nullptr), services_(std::move(services.scanner)) {
    RegisterResources();
    Bind({{kIdClose, &close_},
          {kIdAnimation, &animation_},
          {kIdCount, &count_},
          {kIdSearching, &searching_},
          {kIdFound, &found_},
          {kIdRescan, &rescan_},
          {kIdAdvice, &advice_},
          {kIdSlogan, &slogan_},
          {kIdFoundPicture, &foundPicture_},
          {kIdDonePicture, &donePicture_},
          {kIdNameHeading, &nameHeading_},
          {kIdTitle, &title_},
          {kIdNote, &note_}});
    HandleClick(kIdClose, [this] { CloseDialog(1); });
    HandleClick(kIdRescan, [this] { Rescan(); });
    SetCaptionDrag(kDragAnywhere);
    SetStaticLook(plug::skin::kTextDark);
}

CDlgAntiPilferNet::~CDlgAntiPilferNet() {
    if (GetSafeHwnd()) CDlgAntiPilferNet::DestroyWindow();
    if (stop_) stop_->store(true);
}

BOOL CDlgAntiPilferNet::OnInitDialog() {
    CDlgSubPage::OnInitDialog();
    SetWindowText(Acp("防蹭网检测"));
    CenterWindow();
    SetBackgroundImage(kImgPage, 2);
    close_.SetImages(kImgCloseNormal, kImgCloseHover, kImgClosePressed);
    close_.SetShowText(false);
    plug::skin::StyleTitle(title_, 12);

    if (list_.Create(kListTemplate, this)) {
        CRect r = list_.Rect();
        list_.MoveWindow(2, 135, r.Width(), r.Height());
        list_.ShowWindow(SW_SHOW);
    }
    rescan_.SetCursor(IDC_HAND);
    rescan_.SetUnderline(false);

    std::string appDir;
    CDirectoryEx::GetApplicationPath(appDir);
    animation_.Load(appDir, kImgRadar);
    animation_.Rewind();
    animation_.Play();

    count_.SetFontBold(true);
    count_.SetTextColor(kTextCount);
    count_.SetTextAligns(DT_CENTER);
    for (CStaticText* t : {&found_, &searching_}) {
        t->SetFontBold(true);
        t->SetTextColor(kTextGrey);
    }
    note_.SetFontBold(true);
    note_.SetTextColor(kTextCount);
    slogan_.SetTextColor(kTextLight);
    advice_.SetTextColor(kTextLight);
    foundPicture_.SetImage(kImgFound);
    donePicture_.SetImage(kImgDone);
    donePicture_.ShowWindow(SW_HIDE);

    ShowSearching(false);
    StartSearch();
    return 1;
}

void CDlgAntiPilferNet::ShowSearching(bool rescan) {
    searching_.ShowWindow(SW_SHOW);
    for (CWnd* w : std::initializer_list<CWnd*>{&found_, &count_, &rescan_, &note_})
        w->ShowWindow(SW_HIDE);
    foundPicture_.ShowWindow(rescan ? SW_SHOW : SW_HIDE);
    if (!rescan) {
        donePicture_.ShowWindow(SW_HIDE);
        advice_.ShowWindow(SW_HIDE);
    }
}

void CDlgAntiPilferNet::StartSearch() {
    // Whatever an earlier search still has running stops and is not heard.
    if (stop_) stop_->store(true);
    stop_ = std::make_shared<std::atomic<bool>>(false);
    ++search_;
    scanDone_ = browseDone_ = listBuilt_ = false;
    secondScanDone_ = false;
    finished_ = false;
    scanNote_.clear();
    namesRunning_ = 0;
    asked_.clear();
    KillTimer(kSecondScanTimer);
    RunScan(1);
    SetTimer(kPollTimer, kPollMs);
}

void CDlgAntiPilferNet::Rescan() {
    scanDone_ = browseDone_ = listBuilt_ = false;
    animation_.ShowWindow(SW_SHOW);
    animation_.Play();
    devices_.clear();
    neighbours_.clear();
    list_.Clear();
    ShowSearching(true);
    StartSearch();
}

void CDlgAntiPilferNet::RunScan(int pass) {
    auto services = services_;
    auto stop = stop_;
    const std::uint64_t search = search_;
    RunAsync(
        [services, stop](const plug::CancelToken& token) {
            Scanned scanned;
            if (stop->load() || token.Cancelled()) return scanned;
            scanned.count = services->ScanWithNote(scanned.devices, scanned.note);
            return scanned;
        },
        [this, search, pass](const Scanned& scanned) {
            if (search == search_) OnScanned(pass, scanned);
        });
}

void CDlgAntiPilferNet::OnScanned(int pass, const Scanned& scanned) {
    if (scanNote_.empty()) scanNote_ = scanned.note;
    if (scanned.count < 0 && scanned.devices.empty() && !scanned.note.empty() && devices_.empty()) {
        FailSearch(scanned.note);
        return;
    }
    const std::vector<LanDevice>& found = scanned.devices;
    if (pass == 1) {
        devices_ = found;
        AskNames();
        SetTimer(kSecondScanTimer, kScanGapMs);
        return;
    }
    // A device of the second scan is new unless the first had the same
    // address with the same hardware address.
    for (const LanDevice& d : found) {
        bool known = false;
        for (const LanDevice& e : devices_) {
            // A device that answers for many addresses is the same device
            // whichever of them it was listed at.
            const bool folded = e.Addresses > 1 || d.Addresses > 1;
            if (e.Mac == d.Mac && (e.Ip == d.Ip || folded)) {
                known = true;
                break;
            }
        }
        if (!known) devices_.push_back(d);
    }
    secondScanDone_ = true;
    scanDone_ = true;
    AskNames();
    browseDone_ = namesRunning_ == 0;
}

void CDlgAntiPilferNet::FailSearch(const std::string& reason) {
    // Searching on for ever would tell the user nothing: say why, offer a rescan.
    KillTimer(kSecondScanTimer);
    KillTimer(kPollTimer);
    if (stop_) stop_->store(true);
    ++search_;
    animation_.Stop();
    animation_.ShowWindow(SW_HIDE);
    searching_.ShowWindow(SW_HIDE);
    note_.SetWindowText(reason);
    for (CWnd* w : std::initializer_list<CWnd*>{&note_, &rescan_}) w->ShowWindow(SW_SHOW);
    finished_ = true;
}

void CDlgAntiPilferNet::AskNames() {
    std::vector<std::string> ips;
    // This computer's name comes from the system, not from the network.
    for (std::size_t i = 1; i < devices_.size(); ++i) {
        const std::string& ip = devices_[i].Ip;
        if (!ip.empty() && asked_.insert(ip).second) ips.push_back(ip);
    }
    if (ips.empty()) return;
    ++namesRunning_;
    auto services = services_;
    auto stop = stop_;
    const std::uint64_t search = search_;
    RunAsync(
        [services, stop, ips](const plug::CancelToken& token) {
            auto found = services->FindNames(
                ips, [stop, token] { return stop->load() || token.Cancelled(); });
            // Network-neighbourhood style names ("\\PC") lose their two backslashes.
            for (NeighbourEntry& e : found) {
                if (!e.Name.empty() && e.Name[0] == '\\')
                    e.Name.erase(0, std::min<std::size_t>(2, e.Name.size()));
            }
            return found;
        },
        [this, search](const std::vector<NeighbourEntry>& found) {
            if (search == search_) OnNames(found);
        });
}

void CDlgAntiPilferNet::OnNames(const std::vector<NeighbourEntry>& found) {
    for (const NeighbourEntry& e : found) {
        if (!e.Name.empty()) neighbours_.push_back(e);
    }
    --namesRunning_;
    browseDone_ = secondScanDone_ && namesRunning_ == 0;
}

void CDlgAntiPilferNet::OnTimer(UINT_PTR id) {
    if (id == kSecondScanTimer) {
        KillTimer(kSecondScanTimer);
        RunScan(2);
        return;
    }
    if (id == kPollTimer) Poll();
}

void CDlgAntiPilferNet::Poll() {
    if (scanDone_) {
        list_.Clear();
        for (const LanDevice& d : devices_) {
            CDlgAPNItem* row = list_.AddRow(d.Ip, d.Mac, d.Vendor);
            // A name that came before the rows is shown, not lost.
            if (row && !RowName(d).empty()) row->SetName(RowName(d));
        }
        scanDone_ = false;
        listBuilt_ = true;
    }
    while (!neighbours_.empty() && !devices_.empty()) {
        const NeighbourEntry e = neighbours_.front();
        neighbours_.pop_front();
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (devices_[i].Ip != e.Ip) continue;
            devices_[i].Name = e.Name;
            if (CDlgAPNItem* row = list_.Row(i)) row->SetName(RowName(devices_[i]));
            break;
        }
    }
    if (listBuilt_ && !devices_.empty() && browseDone_) Finish();
}

void CDlgAntiPilferNet::Finish() {
    KillTimer(kPollTimer);
    if (devices_.front().Name.empty()) {
        const std::string own = services_->ComputerName();
        if (!own.empty()) {
            if (CDlgAPNItem* row = list_.Row(0)) row->SetName(own);
        }
    }
    animation_.Stop();
    animation_.ShowWindow(SW_HIDE);
    count_.SetWindowText(std::to_string(devices_.size() - 1));
    searching_.ShowWindow(SW_HIDE);
    for (CWnd* w : std::initializer_list<CWnd*>{&rescan_, &foundPicture_}) w->ShowWindow(SW_SHOW);
    if (scanNote_.empty()) {
        for (CWnd* w : std::initializer_list<CWnd*>{&found_, &count_}) w->ShowWindow(SW_SHOW);
    } else {
        // The system could not ask every address: no count that reads as
        // the whole network, but why the list may be incomplete.
        note_.SetWindowText(scanNote_);
        note_.ShowWindow(SW_SHOW);
    }
    finished_ = true;
}

CDlgAntiPilferNet::State CDlgAntiPilferNet::CurrentState() const {
    if (finished_) return State::Finished;
    return listBuilt_ ? State::ListBuilt : State::Searching;
}

void CDlgAntiPilferNet::AbandonSearch() {
    if (stop_) stop_->store(true);
    ++search_;
    if (GetSafeHwnd()) {
        KillTimer(kSecondScanTimer);
        KillTimer(kPollTimer);
    }
}

BOOL CDlgAntiPilferNet::DestroyWindow() {
    AbandonSearch();
    animation_.Stop();
    if (list_.GetSafeHwnd()) list_.DestroyWindow();
    devices_.clear();
    neighbours_.clear();
    return CDlgSubPage::DestroyWindow();
}

HBRUSH CDlgAntiPilferNet::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    HBRUSH brush = CDlgSubPage::OnCtlColor(pDC, pWnd, ctlColor);
    if (ctlColor == CTLCOLOR_STATIC) {
        pDC->SetBkMode(TRANSPARENT);
        return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
    }
    return brush;
}
