#pragma once
// CUpdatePlugThread: brings the regional plug-in folder "ProvincePlug" up
// to the release on the update server, in the background and without any
// window. It frees itself when it is done; unloading the toolbox asks it to
// stop and waits for it (ThreadBase).

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "ThreadBase.h"
#include "UpdateOptions.h"
#include "ZEVAUpdateIntf.h"

// Looks up a server host name: its first IPv4 address in dotted form, empty
// when it does not resolve.
using HostNameResolver = std::function<std::string(const std::string& name)>;

class CUpdatePlugThread : public CThreadBase {
public:
    // Without a resolver the system's name look-up is used.
    explicit CUpdatePlugThread(HostNameResolver resolver = {});

    BOOL Terminate() override;

    // The servers a run talks to: the first always, the second only when
    // its address comes out non-empty.
    std::vector<S_UpdateSerivceAddr> Servers() const;

protected:
    DWORD Run() override;

private:
    bool Stopping() const;
    zeva::UpdateOptions Options(const std::string& remoteFolder) const;

    // One update of the folder at a time: a second run while one is under
    // way would share its staging folder.
    static std::atomic<bool> busy_;

    std::atomic<bool> stop_{false};
    HostNameResolver resolver_;
};
