#include "DownFileThread.h"

#include <filesystem>
#include <system_error>

#include "DirectoryEx.h"
#include "UpdateCatalog.h"
#include "platform/AppPath.h"
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
    for (size_t i = 0; i < names_.size(); ++i) {
        const std::string& name = names_[i];
        const long long expected = i < sizes_.size() ? sizes_[i] : -1;
        if (IsStopRequested()) return 1;
        const std::string local = stagingDir_ + name;
        bool fetched = false;
        if (zeva::IsSafeRelativeName(name)) {
            std::string folder;
            CDirectoryEx::GetFilePath(local, folder);
            std::error_code ec;
            if (!std::filesystem::is_directory(zeva::NativePath(folder), ec))
                CDirectoryEx::CreateMultipleDirectory(folder);
            fetched = downloader.GetRemoteFile(static_cast<unsigned>(updateType_), name.c_str(),
                                               local.c_str(), notifyWindow_, notifyMessage_,
                                               expected) != -1;
        }
        if (!fetched) {
            if (IsStopRequested()) return 1;
            // Posted, not sent: the dialog may be waiting for this thread to end.
            zeva::PostMessage(notifyWindow_, notifyMessage_, 0, -1);
            return 1;
        }
    }
    return 0;
}
