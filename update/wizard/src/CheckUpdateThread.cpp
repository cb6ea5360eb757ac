#include "CheckUpdateThread.h"

#include "platform/MessageQueue.h"

CCheckUpdateThread::CCheckUpdateThread(int updateType, std::string jobName, zeva::IUpdateHost& host,
                                       HWND notifyWindow, UINT doneMessage)
    : updateType_(updateType),
      jobName_(std::move(jobName)),
      host_(host),
      notifyWindow_(notifyWindow),
      doneMessage_(doneMessage) {}

CCheckUpdateThread::~CCheckUpdateThread() {
    Terminate();
}

std::unique_ptr<UpdateJob> CCheckUpdateThread::TakeJob() {
    Terminate();
    if (job_) job_->downloader().SetCancelCheck({});
    return std::move(job_);
}

DWORD CCheckUpdateThread::Run() {
    auto job = std::make_unique<UpdateJob>(updateType_, jobName_,
                                           zeva::UpdateOptions::Interactive(), &host_);
    // Closing the dialog cuts a slow catalog transfer short.
    job->downloader().SetCancelCheck([this] { return IsStopRequested(); });
    WPARAM result = kCatalogUnavailable;
    if (!IsStopRequested() && job->FetchCatalog()) {
        const int evaluated = job->EvaluateProgramCatalog();
        result = evaluated < 0 ? kCatalogMissing : static_cast<WPARAM>(evaluated);
    } else if (job->CatalogRefused()) {
        // Reached the server, but what it sent was refused: an update error, not a lost connection.
        result = kCatalogMissing;
    }
    if (IsStopRequested()) return 1;
    job_ = std::move(job);
    zeva::PostMessage(notifyWindow_, doneMessage_, result, 0);
    return 0;
}
