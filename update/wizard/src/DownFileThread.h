#pragma once
// The update dialog's download worker: fetches the names it was given into
// the staging folder, one after the other. Progress reaches the dialog as
// the download notify message from the download library; a failed download
// is reported with the same message (lParam -1). The worker never touches
// the dialog itself.

#include <mutex>
#include <string>
#include <vector>

#include "ThreadBase.h"
#include "ZEVAUpdateIntf.h"

class CDownFileThread : public CThreadBase {
public:
    CDownFileThread(std::vector<S_UpdateSerivceAddr> servers, bool useProxy, HWND notifyWindow,
                    UINT notifyMessage);
    ~CDownFileThread() override;

    // The list is filled under the lock before Start; the body holds it for its whole run.
    std::mutex& Lock() { return lock_; }
    std::vector<std::string>& Names() { return names_; }
    // The catalog SIZE of each name (the download stops beyond it); -1 or missing: not known.
    std::vector<long long>& Sizes() { return sizes_; }
    void SetUpdateType(int type) { updateType_ = type; }
    void SetStagingDir(std::string dir) { stagingDir_ = std::move(dir); }

protected:
    DWORD Run() override;

private:
    std::vector<S_UpdateSerivceAddr> servers_;
    bool useProxy_;
    HWND notifyWindow_;
    UINT notifyMessage_;
    std::string stagingDir_;
    int updateType_ = 1;
    std::mutex lock_;
    std::vector<std::string> names_;
    std::vector<long long> sizes_;
};
