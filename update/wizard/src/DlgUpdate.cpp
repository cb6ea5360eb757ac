#include "DlgUpdate.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "ConfigKeys.h"
#include "DirectoryEx.h"
#include "UpdateCatalog.h"
#include "UpdateResources.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::wizard;
namespace keys = zeva::cfgkeys;
namespace fs = std::filesystem;

namespace {

constexpr char kNoConnection[] = "无法与服务器建立连接,请稍候重试！";
constexpr char kUpdateError[] = "更新过程出现错误,请稍候重试！";
constexpr char kAutoRestart[] = "软件更新后会自动启用新版本！";
constexpr char kUpToDate[] = "您安装的Pelmo已经是最新版本！";
constexpr char kNewRelease[] = "Pelmo有新版本";
constexpr char kChecking[] = "正在检查新版本，请稍候……";
constexpr COLORREF kTextColor = RGB(0x33, 0x33, 0x33);

}  // namespace

CDlgUpdate::CDlgUpdate(int updateType, std::string jobName, IUpdateHost& host, CWnd* parent)
    : CImageDialog(IDD_UPDATE, parent),
      updateType_(updateType),
      jobName_(std::move(jobName)),
      host_(host) {
    RegisterWizardResources();
    Bind({{IDC_UPGRADE, &m_btnUpgrade},
          {IDC_CLOSE, &m_btnClose},
          {IDC_CLOSE_CROSS, &m_btnCross},
          {IDC_ICON, &m_picIcon},
          {IDC_BANNER, &m_picBanner},
          {IDC_PROGRESS, &m_progress}});
    const auto close = [this] { EndDialog(IDOK); };
    HandleClick(IDC_CLOSE, close);
    HandleClick(IDC_CLOSE_CROSS, close);
    HandleClick(IDCANCEL, close);
    HandleClick(IDC_UPGRADE, [this] { StartDownload(); });
    HandleMessage(WM_DOWNLOAD_NOTIFY,
                  [this](WPARAM w, LPARAM l) { return OnDownloadNotify(w, l); });
    HandleMessage(WM_CHECK_DONE, [this](WPARAM w, LPARAM) { return OnCheckDone(w); });
    SetCaptionDrag(30);
    SetStaticLook(kTextColor);
}

CDlgUpdate::~CDlgUpdate() {
    if (m_hWnd) CDlgUpdate::DestroyWindow();
    StopWorker();
    checker_.reset();
    worker_.reset();
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
    std::string appDir;
    CDirectoryEx::GetApplicationPath(appDir);
    if (updateType_ == 1) {
        stagingDir_ = appDir + UpdateOptions::Full().programStagingDir;
        installDir_ = appDir;
    } else {
        stagingDir_ = appDir + keys::kUpdateDir + jobName_ + "\\";
        installDir_ = appDir + jobName_ + "\\";
    }
    if (updateType_ != 1 && !IsSafeRelativeName(jobName_)) {
        // No folder, or one outside the application directory: nothing to update.
        Fail(kUpdateError);
        return;
    }
    // The main-program catalog, whatever the update type; the window answers meanwhile.
    checker_ =
        std::make_unique<CCheckUpdateThread>(updateType_, jobName_, host_, m_hWnd, WM_CHECK_DONE);
    checker_->Start();
}

LRESULT CDlgUpdate::OnCheckDone(WPARAM result) {
    if (state_ != State::Checking || !checker_) return 0;
    job_ = checker_->TakeJob();
    checker_.reset();
    if (!job_ || result == CCheckUpdateThread::kCatalogUnavailable) {
        // Not reaching the server says nothing about the installed release.
        Fail(kNoConnection);
        return 0;
    }
    if (result == CCheckUpdateThread::kCatalogMissing) {
        // Refused after the transfer (signature, expiry, sequence, an older release, a
        // missing SHA256): never "up to date".
        Fail(kUpdateError);
        return 0;
    }
    stagingDir_ = job_->stagingDir();
    installDir_ = job_->installDir();
    entries_ = job_->Entries();
    for (const UpdateFileEntry& entry : job_->EntriesToFetch(entries_)) {
        names_.push_back(entry.name);
        sizes_.push_back(std::atoi(entry.size.c_str()));
    }
    if (entries_.empty()) {
        ShowState(State::UpToDate);
        return 0;
    }
    SetDlgItemText(IDC_VERSION, job_->NewVersion());
    ShowState(State::UpdateAvailable);
    return 0;
}

void CDlgUpdate::ShowState(State state) {
    state_ = state;
    UINT icon = IDB_ICON_NEW;
    UINT banner = IDB_BANNER_NEW;
    bool offer = false;
    switch (state) {
        case State::Checking:
            // On screen while the server is asked: no offer until the answer is in.
            SetDlgItemText(IDC_HEADLINE, Acp(kChecking));
            break;
        case State::UpdateAvailable:
            offer = true;
            SetDlgItemText(IDC_HEADLINE, Acp(kNewRelease));
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
    for (UINT id : {IDC_VERSION, IDC_UPDATABLE, IDC_QUESTION, IDC_UPGRADE}) {
        GetDlgItem(static_cast<int>(id))->ShowWindow(offer ? SW_SHOW : SW_HIDE);
    }
    if (listener_) listener_(*this, state);
}

void CDlgUpdate::Fail(const char* utf8Message) {
    SetDlgItemText(IDC_HEADLINE, Acp(utf8Message));
    ShowState(State::Failed);
}

void CDlgUpdate::StopWorker() {
    if (checker_) checker_->Terminate();
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
        worker_ = std::make_unique<CDownFileThread>(job_->servers(), job_->useProxy(), m_hWnd,
                                                    WM_DOWNLOAD_NOTIFY);
        {
            const std::lock_guard<std::mutex> lock(worker_->Lock());
            worker_->Names() = names_;
        }
        worker_->SetJob(job_.get());
        worker_->Start();
        return;
    }
    // Everything is staged already: the first file counts as just completed.
    names_ = {entries_.front().name};
    sizes_ = {std::atoi(entries_.front().size.c_str())};
    SendMessage(WM_DOWNLOAD_NOTIFY, static_cast<WPARAM>(sizes_.front()),
                static_cast<LPARAM>(sizes_.front()));
}

LRESULT CDlgUpdate::OnDownloadNotify(WPARAM wParam, LPARAM lParam) {
    // Notices of a worker that was stopped, or after the end, change nothing.
    if (state_ != State::Downloading) return 0;
    if (lParam == CDownFileThread::kFailedNotice) {
        Fail(kNoConnection);
        return 0;
    }
    if (lParam == CDownFileThread::kRefusedNotice) {
        StopWorker();
        Fail(kUpdateError);
        return 0;
    }
    const auto received = static_cast<long long>(wParam);
    if (received != static_cast<long long>(lParam)) {
        m_progress.SetPos(completed_);
        return 0;
    }
    const auto index = static_cast<std::size_t>(completed_);
    if (index >= names_.size()) return 0;
    const UpdateFileEntry* entry = job_->EntryNamed(names_[index]);
    const std::string staged = stagingDir_ + names_[index];
    if (received != sizes_[index] || entry == nullptr || !FileMatchesEntry(staged, *entry)) {
        StopWorker();
        // A file that is not what the catalog lists is never installed nor reused.
        if (entry == nullptr || !FileMatchesEntry(staged, *entry)) {
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
    // The worker has fetched its last file; it must be gone before the files move.
    StopWorker();
    ShowState(State::Finished);
    if (!job_->InstallFetchedRelease()) {
        // The staged files stay for the next attempt; the old version stays recorded.
        Fail(kUpdateError);
        return;
    }
    EndDialog(IDOK);
}

BOOL CDlgUpdate::DestroyWindow() {
    StopWorker();
    checker_.reset();
    worker_.reset();
    return CImageDialog::DestroyWindow();
}
