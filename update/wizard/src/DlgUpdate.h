#pragma once
// The "在线更新" dialog: checks the update server once it is on screen,
// offers the newer release, downloads it on a worker thread, closes the
// running client, installs the files on the window's own thread and starts
// the client again. Every step is the update job's (UpdateJob), so the
// dialog follows the same catalog, file and record rules as the other forms.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CheckUpdateThread.h"
#include "Controls.h"
#include "DownFileThread.h"
#include "UpdateFileEntry.h"
#include "UpdateHost.h"
#include "UpdateJob.h"

class CDlgUpdate : public CImageDialog {
public:
    enum class State { Checking, UpToDate, UpdateAvailable, Downloading, Failed, Finished };

    // `host` closes and starts the client and replaces files; it must outlive the dialog.
    CDlgUpdate(int updateType, std::string jobName, zeva::IUpdateHost& host,
               CWnd* parent = nullptr);
    ~CDlgUpdate() override;

    State GetState() const { return state_; }
    // Called on every change of state (screenshots, tests).
    void SetStateListener(std::function<void(CDlgUpdate&, State)> listener) {
        listener_ = std::move(listener);
    }
    const std::vector<std::string>& NamesToFetch() const { return names_; }
    const std::vector<long long>& ExpectedSizes() const { return sizes_; }
    int CompletedCount() const { return completed_; }
    const std::string& StagingDir() const { return stagingDir_; }
    const std::string& InstallDir() const { return installDir_; }
    CDownFileThread* Worker() const { return worker_.get(); }
    // The check in progress (null once it has ended).
    CCheckUpdateThread* Checker() const { return checker_.get(); }

protected:
    BOOL OnInitDialog() override;
    BOOL DestroyWindow() override;

private:
    void Check();
    LRESULT OnCheckDone(WPARAM result);
    void StartDownload();
    LRESULT OnDownloadNotify(WPARAM wParam, LPARAM lParam);
    void Finish();
    void Fail(const char* utf8Message);
    void StopWorker();
    void ShowState(State state);

    int updateType_;
    std::string jobName_;
    zeva::IUpdateHost& host_;
    std::unique_ptr<CCheckUpdateThread> checker_;
    std::unique_ptr<UpdateJob> job_;
    std::string stagingDir_;
    std::string installDir_;
    std::vector<UpdateFileEntry> entries_;
    std::vector<std::string> names_;
    std::vector<long long> sizes_;
    int completed_ = 0;
    std::unique_ptr<CDownFileThread> worker_;
    State state_ = State::Checking;
    std::function<void(CDlgUpdate&, State)> listener_;

    CImageButtonX m_btnUpgrade;
    CImageButtonX m_btnClose;
    CImageButtonX m_btnCross;
    CPNGPicture m_picIcon;
    CPNGPicture m_picBanner;
    CProgressBar m_progress;
};
