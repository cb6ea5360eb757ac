#pragma once
// CUpdatePlugThread: brings the regional plug-in folder "ProvincePlug" up
// to the release on the update server, in the background and without any
// window. It frees itself when it is done; unloading the toolbox asks it to
// stop and waits for it (ThreadBase).

#include <atomic>
#include <functional>
#include <string>

#include "ThreadBase.h"

// Looks up a server host name: its first IPv4 address in dotted form, empty
// when it does not resolve.
using HostNameResolver = std::function<std::string(const std::string& name)>;

class CUpdatePlugThread : public CThreadBase {
public:
    // Without a resolver the system's name look-up is used.
    explicit CUpdatePlugThread(HostNameResolver resolver = {});

    BOOL Terminate() override;

protected:
    DWORD Run() override;

private:
    bool Stopping() const;

    std::atomic<bool> stop_{false};
    HostNameResolver resolver_;
};
