#include "DownFileThread.h"

#include "platform/MessageQueue.h"

CDownFileThread::CDownFileThread(std::vector<S_UpdateSerivceAddr> servers, bool useProxy,
                                 HWND notifyWindow, UINT notifyMessage)
    : servers_(std::move(servers)),
      useProxy_(useProxy),
      notifyWindow_(notifyWindow),
      notifyMessage_(notifyMessage) {}

CDownFileThread::~CDownFileThread() {
    Terminate();
}

DWORD CDownFileThread::Run() {
    const std::lock_guard<std::mutex> hold(lock_);
    CZEVAUpdateIntf downloader(servers_, useProxy_);
    // Terminate also cuts a transfer in progress short.
    downloader.SetCancelCheck([this] { return IsStopRequested(); });
    for (const std::string& name : names_) {
        if (IsStopRequested()) return 1;
        const UpdateFileEntry* entry = job_ != nullptr ? job_->EntryNamed(name) : nullptr;
        const zeva::FetchResult result =
            entry != nullptr ? job_->FetchEntry(downloader, *entry, notifyWindow_, notifyMessage_)
                             : zeva::FetchResult::TransferFailed;
        if (result == zeva::FetchResult::Fetched) continue;
        if (IsStopRequested()) return 1;
        // Posted, not sent: the dialog may be waiting for this thread to end.
        // A refused file may never have been announced complete (it was cut
        // off at its listed size), so the refusal is told in every case.
        zeva::PostMessage(
            notifyWindow_, notifyMessage_, 0,
            result == zeva::FetchResult::TransferFailed ? kFailedNotice : kRefusedNotice);
        return 1;
    }
    return 0;
}
