#pragma once
// The update dialog's check, off the window's thread so the window is on
// screen and answers while a slow server is asked: builds the update job,
// fetches and evaluates the catalog and posts the check-done message with
// the result. The worker never touches the dialog itself.

#include <memory>
#include <string>

#include "ThreadBase.h"
#include "UpdateHost.h"
#include "UpdateJob.h"
#include "platform/WinTypes.h"

class CCheckUpdateThread : public CThreadBase {
public:
    // wParam of the check-done message: the catalog could not be fetched.
    static constexpr WPARAM kCatalogUnavailable = 2;
    // Otherwise wParam is 0 (files differ), 1 (nothing due) or 3 (catalog missing).
    static constexpr WPARAM kCatalogMissing = 3;

    CCheckUpdateThread(int updateType, std::string jobName, zeva::IUpdateHost& host,
                       HWND notifyWindow, UINT doneMessage);
    ~CCheckUpdateThread() override;

    // Once the body has ended: the job with the evaluated catalog (null when stopped early).
    std::unique_ptr<UpdateJob> TakeJob();

protected:
    DWORD Run() override;

private:
    int updateType_;
    std::string jobName_;
    zeva::IUpdateHost& host_;
    HWND notifyWindow_;
    UINT doneMessage_;
    std::unique_ptr<UpdateJob> job_;
};
