#pragma once
// The update host of the updater with windows: the notification is the
// skinned CDlgNotify, and the running client is closed through its window
// ("ZEVACLIENT"), also when it belongs to another process.

#include <functional>

#include "ConsoleUpdateHost.h"

class CDlgNotify;

namespace zeva::wizard {

class WindowUpdateHost : public ConsoleUpdateHost {
public:
    // `ensureWindows` makes windows available (a display, a renderer) when
    // first needed; false means there is nobody to ask.
    // `prepare` sees the notification before it runs (unattended runs).
    explicit WindowUpdateHost(std::function<bool()> ensureWindows = {},
                              std::function<void(CDlgNotify&)> prepare = {});
    int ShowUpdateNotification(const std::string& oldVersion, const std::string& newVersion,
                               const std::string& webSiteUrl) override;
    void CloseRunningClient() override;

private:
    std::function<bool()> ensureWindows_;
    std::function<void(CDlgNotify&)> prepare_;
};

}  // namespace zeva::wizard
