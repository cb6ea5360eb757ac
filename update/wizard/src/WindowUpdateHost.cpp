#include "WindowUpdateHost.h"

#include "DlgNotify.h"
#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

namespace zeva::wizard {

WindowUpdateHost::WindowUpdateHost(std::function<bool()> ensureWindows,
                                   std::function<void(CDlgNotify&)> prepare)
    : ConsoleUpdateHost(true),
      ensureWindows_(std::move(ensureWindows)),
      prepare_(std::move(prepare)) {}

int WindowUpdateHost::ShowUpdateNotification(const std::string& oldVersion,
                                             const std::string& newVersion,
                                             const std::string& webSiteUrl) {
    if (ensureWindows_ && !ensureWindows_()) return IDNO;
    CDlgNotify dlg;
    dlg.m_strOldVersion = oldVersion;
    dlg.m_strNewVersion = newVersion;
    dlg.m_strWebSite = webSiteUrl;
    if (prepare_) prepare_(dlg);
    // A window that could not be shown or answered counts as "later".
    return dlg.DoModal() == IDYES ? IDYES : IDNO;
}

void WindowUpdateHost::CloseRunningClient() {
    if (HWND client = FindWindowA(kClientWindowClass)) SendMessage(client, WM_CLOSE, 0, 0);
}

}  // namespace zeva::wizard
