#include "DlgUpdate.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "ConfigFile.h"
#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "DirectoryEx.h"
#include "FileInstaller.h"
#include "MD5.h"
#include "UpdateCatalog.h"
#include "UpdateJob.h"
#include "UpdateResources.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"

using namespace zeva;
using namespace zeva::wizard;
namespace keys = zeva::cfgkeys;
namespace fs = std::filesystem;

namespace {

constexpr char kNoConnection[] = "无法与服务器建立连接,请稍候重试！";
constexpr char kUpdateError[] = "更新过程出现错误,请稍候重试！";
constexpr char kAutoRestart[] = "软件更新后会自动启用新版本！";
constexpr char kUpToDate[] = "您安装的Pelmo已经是最新版本！";
constexpr char kRecordTimeFormat[] = "%Y-%m-%d %H:%M:%S";
constexpr COLORREF kTextColor = RGB(0x33, 0x33, 0x33);

bool IsFile(const std::string& acpPath) {
    std::error_code ec;
    return fs::is_regular_file(NativePath(acpPath), ec);
}

std::string FileMd5(const std::string& acpPath) {
    std::string digest;
    if (IsFile(acpPath)) CMD5::GetFileMD5(acpPath.c_str(), digest);
    return digest;
}

std::string Now(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {0};
    std::strftime(text, sizeof text, format, &local);
    return text;
}

}  // namespace

CDlgUpdate::CDlgUpdate(int updateType, std::string jobName, IUpdateHost& host, CWnd* parent)
    : CImageDialog(IDD_UPDATE, parent),
      updateType_(updateType),
      jobName_(std::move(jobName)),
      host_(host) {
    RegisterWizardResources();
}

CDlgUpdate::~CDlgUpdate() {
    if (m_hWnd) CDlgUpdate::DestroyWindow();
    StopWorker();
    worker_.reset();
}

void CDlgUpdate::DoDataExchange(CDataExchange* pDX) {
    CImageDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_UPGRADE, m_btnUpgrade);
    DDX_Control(pDX, IDC_CLOSE, m_btnClose);
    DDX_Control(pDX, IDC_CLOSE_CROSS, m_btnCross);
    DDX_Control(pDX, IDC_ICON, m_picIcon);
    DDX_Control(pDX, IDC_BANNER, m_picBanner);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CDlgUpdate::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetWindowText(Acp("在线更新"));
    GetDlgItem(IDC_TITLE)->SetTextColor(RGB(255, 255, 255));
    GetDlgItem(IDC_TITLE)->SetFontBold(true);
    GetDlgItem(IDC_HEADLINE)->SetFontSize(14);
    GetDlgItem(IDC_HEADLINE)->SetFontBold(true);
    GetDlgItem(IDC_VERSION)->SetFontBold(true);
    GetDlgItem(IDC_VERSION)->SetTextColor(RGB(0xE0, 0x6A, 0x10));
    for (CImageButtonX* b : {&m_btnUpgrade, &m_btnClose}) {
        b->SetImages(IDB_BUTTON, IDB_BUTTON, IDB_BUTTON);
        b->SetShowText(true);
    }
    m_btnCross.SetImages(IDB_CROSS, IDB_CROSS, IDB_CROSS);
    m_btnCross.SetShowText(false);
    m_progress.ShowWindow(SW_HIDE);
    CenterWindow();

    ShowState(State::Checking);
    Check();
    return 1;
}

void CDlgUpdate::Check() {
    CDirectoryEx::GetApplicationPath(appDir_);
    {
        CCryptConfigFile config(appDir_ + keys::kConfigDat, "");
        config.ReadString(keys::kSectionUpdate, keys::kKeyVersion, "", localVersion_);
        config.ReadString(keys::kSectionUpdate, keys::kKeyRegion, "", localRegion_);
        servers_ = ReadUpdateServers(appDir_, UpdateOptions::Full());
        config.Initialize(appDir_ + keys::kUserConfigDat, "");
        useProxy_ = config.ReadInteger(keys::kSectionServer, keys::kKeyUseProxy,
                                       keys::kDefaultUseProxy) != 0;
    }
    downloader_ = std::make_unique<CZEVAUpdateIntf>(servers_, useProxy_);
    if (updateType_ == 1) {
        stagingDir_ = appDir_ + UpdateOptions::Full().programStagingDir;
        installDir_ = appDir_;
    } else {
        stagingDir_ = appDir_ + keys::kUpdateDir + jobName_ + "\\";
        installDir_ = appDir_ + jobName_ + "\\";
    }
    if (updateType_ != 1 && !IsSafeRelativeName(jobName_)) {
        // No folder, or one outside the application directory: nothing to update.
        Fail(kUpdateError);
        return;
    }
    CleanUpInstallLeftovers(appDir_);

    // The main-program catalog, whatever the update type.
    const std::string catalogPath = stagingDir_ + keys::kUpdateConfigIni;
    CDirectoryEx::CreateMultipleDirectory(stagingDir_);
    if (downloader_->GetRemoteFile(static_cast<unsigned>(updateType_), keys::kUpdateConfigIni,
                                   catalogPath.c_str(), nullptr, 0) == -1) {
        // Not reaching the server says nothing about the installed release.
        Fail(kNoConnection);
        return;
    }
    UpdateCatalog catalog(installDir_, catalogPath, localVersion_, localRegion_);
    catalog.Evaluate();
    entries_ = catalog.Entries();
    CConfigFile staged(catalogPath);
    staged.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogVersion, "", newVersion_);

    for (const UpdateFileEntry& entry : entries_) {
        if (FileMd5(stagingDir_ + entry.name) == entry.md5) continue;
        names_.push_back(entry.name);
        sizes_.push_back(std::atoi(entry.size.c_str()));
    }
    if (entries_.empty()) {
        ShowState(State::UpToDate);
        return;
    }
    SetDlgItemText(IDC_VERSION, newVersion_);
    ShowState(State::UpdateAvailable);
}

void CDlgUpdate::ShowState(State state) {
    state_ = state;
    UINT icon = IDB_ICON_NEW;
    UINT banner = IDB_BANNER_NEW;
    bool offer = false;
    switch (state) {
        case State::Checking:
        case State::UpdateAvailable:
            offer = state == State::UpdateAvailable;
            break;
        case State::UpToDate:
            icon = IDB_ICON_CURRENT;
            banner = IDB_BANNER_CURRENT;
            SetDlgItemText(IDC_HEADLINE, Acp(kUpToDate));
            break;
        case State::Downloading:
            icon = IDB_ICON_DOWNLOADING;
            banner = IDB_BANNER_DOWNLOADING;
            SetDlgItemText(IDC_HEADLINE, Acp(kAutoRestart));
            m_progress.ShowWindow(SW_SHOW);
            break;
        case State::Failed:
            icon = IDB_ICON_FAILED;
            banner = IDB_BANNER_FAILED;
            break;
        case State::Finished:
            icon = IDB_ICON_FINISHED;
            banner = IDB_BANNER_FINISHED;
            break;
    }
    m_picIcon.SetImage(icon);
    m_picBanner.SetImage(banner);
    if (state != State::Checking) {
        for (UINT id : {IDC_VERSION, IDC_UPDATABLE, IDC_QUESTION, IDC_UPGRADE}) {
            GetDlgItem(static_cast<int>(id))->ShowWindow(offer ? SW_SHOW : SW_HIDE);
        }
    }
    if (listener_) listener_(*this, state);
}

void CDlgUpdate::Fail(const char* utf8Message) {
    SetDlgItemText(IDC_HEADLINE, Acp(utf8Message));
    ShowState(State::Failed);
}

void CDlgUpdate::StopWorker() {
    if (worker_) worker_->Terminate();
}

void CDlgUpdate::StartDownload() {
    if (state_ != State::UpdateAvailable) return;
    StopWorker();
    worker_.reset();
    m_progress.SetRange(0, static_cast<int>(names_.size()));
    m_progress.SetPos(0);
    completed_ = 0;
    ShowState(State::Downloading);
    if (!names_.empty()) {
        worker_ =
            std::make_unique<CDownFileThread>(servers_, useProxy_, m_hWnd, WM_DOWNLOAD_NOTIFY);
        {
            const std::lock_guard<std::mutex> lock(worker_->Lock());
            worker_->Names() = names_;
            worker_->Sizes() = sizes_;
        }
        worker_->SetUpdateType(updateType_);
        worker_->SetStagingDir(stagingDir_);
        worker_->Start();
        return;
    }
    // Everything is staged already: the first file counts as just completed.
    names_ = {entries_.front().name};
    sizes_ = {std::atoi(entries_.front().size.c_str())};
    SendMessage(WM_DOWNLOAD_NOTIFY, static_cast<WPARAM>(sizes_.front()),
                static_cast<LPARAM>(sizes_.front()));
}

const UpdateFileEntry* CDlgUpdate::EntryNamed(const std::string& name) const {
    for (const UpdateFileEntry& e : entries_) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

LRESULT CDlgUpdate::OnDownloadNotify(WPARAM wParam, LPARAM lParam) {
    // Notices of a worker that was stopped, or after the end, change nothing.
    if (state_ != State::Downloading) return 0;
    if (lParam == -1) {
        Fail(kNoConnection);
        return 0;
    }
    const auto received = static_cast<long long>(wParam);
    if (received != static_cast<long long>(lParam)) {
        m_progress.SetPos(completed_);
        return 0;
    }
    const auto index = static_cast<std::size_t>(completed_);
    if (index >= names_.size()) return 0;
    const UpdateFileEntry* entry = EntryNamed(names_[index]);
    const std::string staged = stagingDir_ + names_[index];
    if (received != sizes_[index] || entry == nullptr || FileMd5(staged) != entry->md5) {
        StopWorker();
        // A file that is not what the catalog lists is never installed nor reused.
        if (entry == nullptr || FileMd5(staged) != entry->md5) {
            std::error_code ec;
            fs::remove(NativePath(staged), ec);
        }
        Fail(kUpdateError);
        return 0;
    }
    ++completed_;
    m_progress.SetPos(completed_);
    if (index + 1 == names_.size()) Finish();
    return 0;
}

void CDlgUpdate::Finish() {
    host_.CloseRunningClient();
    ShowState(State::Finished);
    bool installed = true;
    for (const UpdateFileEntry& entry : entries_) {
        if (InstallFile(NativePath(stagingDir_ + entry.name), NativePath(installDir_ + entry.name),
                        host_) == InstallResult::Failed) {
            installed = false;
        }
    }
    if (!installed) {
        // The staged files stay for the next attempt; the old version stays recorded.
        Fail(kUpdateError);
        return;
    }
    std::string recordedVersion;
    {
        CConfigFile staged(stagingDir_ + keys::kUpdateConfigIni);
        staged.ReadString(keys::kSectionCatalogVersion, keys::kKeyCatalogVersion, "",
                          recordedVersion);
    }
    if (updateType_ != 1) {
        const std::string plugCatalog = stagingDir_ + keys::kPlugCatalogIni;
        if (IsFile(plugCatalog)) {
            InstallFile(NativePath(plugCatalog), NativePath(installDir_ + keys::kPlugCatalogIni),
                        host_);
        }
    } else {
        CCryptConfigFile config(appDir_ + keys::kConfigDat, "");
        config.WriteString(keys::kSectionUpdate, keys::kKeyVersion, newVersion_);
        if (auto key = RegistryKey::Open(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo")) {
            key->SetString("InstallPath", appDir_);
            key->SetString("Version", newVersion_);
        }
    }
    {
        CCryptConfigFile record(appDir_ + keys::kUpdateRecordDat, "");
        const std::string section = Now(kRecordTimeFormat);
        record.WriteInteger(section, keys::kKeyIsSucceed, 1);
        record.WriteString(section, keys::kKeyNewVersion, recordedVersion);
        record.WriteString(section, keys::kKeyOldVersion, localVersion_);
    }
    CDirectoryEx::DeleteDirectory(stagingDir_);
    const std::string client = appDir_ + kClientExecutable;
    if (IsFile(client)) host_.StartProgram(NativePath(client), "");
    EndDialog(IDOK);
}

BOOL CDlgUpdate::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDC_CLOSE:
            case IDC_CLOSE_CROSS:
            case IDCANCEL:
                EndDialog(IDOK);
                return 1;
            case IDC_UPGRADE:
                StartDownload();
                return 1;
            default:
                break;
        }
    }
    return CImageDialog::OnCommand(wParam, lParam);
}

LRESULT CDlgUpdate::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DOWNLOAD_NOTIFY) return OnDownloadNotify(wParam, lParam);
    return CImageDialog::WindowProc(message, wParam, lParam);
}

HBRUSH CDlgUpdate::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor) {
    if (ctlColor == CTLCOLOR_STATIC) {
        pDC->SetBkMode(TRANSPARENT);
        if (pWnd == nullptr || !pWnd->HasTextColor()) pDC->SetTextColor(kTextColor);
        return GetStockObject(NULL_BRUSH);
    }
    return CImageDialog::OnCtlColor(pDC, pWnd, ctlColor);
}

void CDlgUpdate::OnLButtonDown(UINT flags, CPoint point) {
    CImageDialog::OnLButtonDown(flags, point);
    if (point.y < 30) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

BOOL CDlgUpdate::DestroyWindow() {
    StopWorker();
    worker_.reset();
    return CImageDialog::DestroyWindow();
}
