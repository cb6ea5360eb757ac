#include "DlgAntiPilferNet.h"

#include "DirectoryEx.h"
#include "LanguardResources.h"
#include "PageSkin.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace languard;

namespace {

// The name column of a device; one that answered for many addresses says
// how many, so a proxy-answering router reads as the one device it is.
std::string RowName(const LanDevice& d) {
    if (d.Addresses <= 1) return d.Name;
    const std::string name = d.Name.empty() ? Acp("未知") : d.Name;
    return name + Acp("（代答" + std::to_string(d.Addresses) + "个地址）");
}

}  // namespace

CDlgAntiPilferNet::CDlgAntiPilferNet() : CDlgSubPage(kPageTemplate, nullptr) {
    RegisterResources();
    services_ = DefaultLanServices();
    Bind({{kIdClose, &m_btnClose}, {kIdAnimation, &m_animation}, {kIdCount, &m_count},
          {kIdSearching, &m_searching}, {kIdFound, &m_found}, {kIdRescan, &m_rescan},
          {kIdAdvice, &m_advice}, {kIdSlogan, &m_slogan}, {kIdFoundPicture, &m_foundPicture},
          {kIdDonePicture, &m_donePicture}, {kIdNameHeading, &m_nameHeading}, {kIdTitle, &m_title}});
    HandleClick(kIdClose, [this] { CloseDialog(1); });
    HandleClick(kIdRescan, [this] { Rescan(); });
    SetCaptionDrag(kDragAnywhere);
    SetStaticLook(plug::skin::kTextDark);
}

CDlgAntiPilferNet::~CDlgAntiPilferNet() {
    if (GetSafeHwnd()) CDlgAntiPilferNet::DestroyWindow();
    if (stop_) stop_->store(true);
}

void CDlgAntiPilferNet::SetServices(std::shared_ptr<ILanServices> services) {
    services_ = services ? std::move(services) : DefaultLanServices();
}

BOOL CDlgAntiPilferNet::OnInitDialog() {
    CDlgSubPage::OnInitDialog();
    SetWindowText(Acp("防蹭网检测"));
    CenterWindow();
    SetBackgroundImage(kImgPage, 2);
    m_btnClose.SetImages(kImgCloseNormal, kImgCloseHover, kImgClosePressed);
    m_btnClose.SetShowText(false);
    plug::skin::StyleTitle(m_title, 12);

    if (m_list.Create(kListTemplate, this)) {
        CRect r = m_list.Rect();
        m_list.MoveWindow(2, 135, r.Width(), r.Height());
        m_list.ShowWindow(SW_SHOW);
    }
    m_rescan.SetCursor(IDC_HAND);
    m_rescan.SetUnderline(false);

    std::string appDir;
    CDirectoryEx::GetApplicationPath(appDir);
    m_animation.Load(appDir, kImgRadar);
    m_animation.Rewind();
    m_animation.Play();

    m_count.SetFontBold(true);
    m_count.SetTextColor(kTextCount);
    m_count.SetTextAligns(DT_CENTER);
    for (CStaticText* t : {&m_found, &m_searching}) {
        t->SetFontBold(true);
        t->SetTextColor(kTextGrey);
    }
    m_slogan.SetTextColor(kTextLight);
    m_advice.SetTextColor(kTextLight);
    m_foundPicture.SetImage(kImgFound);
    m_donePicture.SetImage(kImgDone);
    m_donePicture.ShowWindow(SW_HIDE);

    ShowSearching(false);
    StartSearch();
    return 1;
}

void CDlgAntiPilferNet::ShowSearching(bool rescan) {
    m_searching.ShowWindow(SW_SHOW);
    for (CWnd* w : std::initializer_list<CWnd*>{&m_found, &m_count, &m_rescan}) w->ShowWindow(SW_HIDE);
    m_foundPicture.ShowWindow(rescan ? SW_SHOW : SW_HIDE);
    if (!rescan) {
        m_donePicture.ShowWindow(SW_HIDE);
        m_advice.ShowWindow(SW_HIDE);
    }
}

void CDlgAntiPilferNet::StartSearch() {
    // Whatever an earlier search still has running stops and is not heard.
    if (stop_) stop_->store(true);
    stop_ = std::make_shared<std::atomic<bool>>(false);
    ++search_;
    scanDone = browseDone = listBuilt = false;
    secondScanDone_ = false;
    finished_ = false;
    namesRunning_ = 0;
    asked_.clear();
    KillTimer(kSecondScanTimer);
    RunScan(1);
    SetTimer(kPollTimer, kPollMs);
}

void CDlgAntiPilferNet::Rescan() {
    scanDone = browseDone = listBuilt = false;
    m_animation.ShowWindow(SW_SHOW);
    m_animation.Play();
    devices.clear();
    neighbours.clear();
    m_list.Clear();
    ShowSearching(true);
    StartSearch();
}

void CDlgAntiPilferNet::RunScan(int pass) {
    auto services = services_;
    auto stop = stop_;
    const std::uint64_t search = search_;
    RunAsync(
        [services, stop](const plug::CancelToken& token) {
            if (stop->load() || token.Cancelled()) return std::vector<LanDevice>{};
            return services->Scan();
        },
        [this, search, pass](const std::vector<LanDevice>& found) {
            if (search == search_) OnScanned(pass, found);
        });
}

void CDlgAntiPilferNet::OnScanned(int pass, const std::vector<LanDevice>& found) {
    if (pass == 1) {
        devices = found;
        AskNames();
        SetTimer(kSecondScanTimer, kScanGapMs);
        return;
    }
    // A device of the second scan is new unless the first had the same
    // address with the same hardware address.
    for (const LanDevice& d : found) {
        bool known = false;
        for (const LanDevice& e : devices) {
            // A device that answers for many addresses is the same device
            // whichever of them it was listed at.
            const bool folded = e.Addresses > 1 || d.Addresses > 1;
            if (e.Mac == d.Mac && (e.Ip == d.Ip || folded)) {
                known = true;
                break;
            }
        }
        if (!known) devices.push_back(d);
    }
    secondScanDone_ = true;
    scanDone = true;
    AskNames();
    browseDone = namesRunning_ == 0;
}

void CDlgAntiPilferNet::AskNames() {
    std::vector<std::string> ips;
    // This computer's name comes from the system, not from the network.
    for (std::size_t i = 1; i < devices.size(); ++i) {
        const std::string& ip = devices[i].Ip;
        if (!ip.empty() && asked_.insert(ip).second) ips.push_back(ip);
    }
    if (ips.empty()) return;
    ++namesRunning_;
    auto services = services_;
    auto stop = stop_;
    const std::uint64_t search = search_;
    RunAsync(
        [services, stop, ips](const plug::CancelToken& token) {
            auto found = services->FindNames(ips, [stop, token] { return stop->load() || token.Cancelled(); });
            // Network-neighbourhood style names ("\\PC") lose their two backslashes.
            for (NeighbourEntry& e : found) {
                if (!e.Name.empty() && e.Name[0] == '\\') e.Name.erase(0, std::min<std::size_t>(2, e.Name.size()));
            }
            return found;
        },
        [this, search](const std::vector<NeighbourEntry>& found) {
            if (search == search_) OnNames(found);
        });
}

void CDlgAntiPilferNet::OnNames(const std::vector<NeighbourEntry>& found) {
    for (const NeighbourEntry& e : found) {
        if (!e.Name.empty()) neighbours.push_back(e);
    }
    --namesRunning_;
    browseDone = secondScanDone_ && namesRunning_ == 0;
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
    if (scanDone) {
        m_list.Clear();
        for (const LanDevice& d : devices) {
            CDlgAPNItem* row = m_list.AddRow(d.Ip, d.Mac, d.Vendor);
            // A name that came before the rows is shown, not lost.
            if (row && !RowName(d).empty()) row->SetName(RowName(d));
        }
        scanDone = false;
        listBuilt = true;
    }
    while (!neighbours.empty() && !devices.empty()) {
        const NeighbourEntry e = neighbours.front();
        neighbours.pop_front();
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (devices[i].Ip != e.Ip) continue;
            devices[i].Name = e.Name;
            if (CDlgAPNItem* row = m_list.Row(i)) row->SetName(RowName(devices[i]));
            break;
        }
    }
    if (listBuilt && !devices.empty() && browseDone) Finish();
}

void CDlgAntiPilferNet::Finish() {
    KillTimer(kPollTimer);
    if (devices.front().Name.empty()) {
        const std::string own = services_->ComputerName();
        if (!own.empty()) {
            if (CDlgAPNItem* row = m_list.Row(0)) row->SetName(own);
        }
    }
    m_animation.Stop();
    m_animation.ShowWindow(SW_HIDE);
    m_count.SetWindowText(std::to_string(devices.size() - 1));
    m_searching.ShowWindow(SW_HIDE);
    for (CWnd* w : std::initializer_list<CWnd*>{&m_found, &m_count, &m_rescan, &m_foundPicture})
        w->ShowWindow(SW_SHOW);
    finished_ = true;
}

CDlgAntiPilferNet::State CDlgAntiPilferNet::CurrentState() const {
    if (finished_) return State::Finished;
    return listBuilt ? State::ListBuilt : State::Searching;
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
    m_animation.Stop();
    if (m_list.GetSafeHwnd()) m_list.DestroyWindow();
    devices.clear();
    neighbours.clear();
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
