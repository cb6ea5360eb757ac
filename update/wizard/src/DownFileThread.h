#pragma once
// The update dialog's download worker: fetches the names it was given into
// the staging folder, one after the other, under the update job's rules for
// a file (what arrives must match its catalog entry). Progress reaches the
// dialog as the download notify message from the download library; a failed
// transfer is reported with the same message (lParam kFailedNotice), a file
// refused for not matching its entry with lParam kRefusedNotice. The worker
// never touches the dialog itself.

#include <mutex>
#include <string>
#include <vector>

#include "ThreadBase.h"
#include "UpdateJob.h"
#include "ZEVAUpdateIntf.h"

class CDownFileThread : public CThreadBase {
public:
    // lParam of the worker's own notices (the download library's failure notice is -1 too).
    static constexpr LPARAM kFailedNotice = -1;
    static constexpr LPARAM kRefusedNotice = -2;

    CDownFileThread(std::vector<S_UpdateSerivceAddr> servers, bool useProxy, HWND notifyWindow,
                    UINT notifyMessage);
    ~CDownFileThread() override;

    // The list is filled under the lock before Start; the body holds it for its whole run.
    std::mutex& Lock() { return lock_; }
    std::vector<std::string>& Names() { return names_; }
    // The job whose entries the names are; it must outlive the worker's run.
    void SetJob(const UpdateJob* job) { job_ = job; }

protected:
    DWORD Run() override;

private:
    std::vector<S_UpdateSerivceAddr> servers_;
    bool useProxy_;
    HWND notifyWindow_;
    UINT notifyMessage_;
    const UpdateJob* job_ = nullptr;
    std::mutex lock_;
    std::vector<std::string> names_;
};
