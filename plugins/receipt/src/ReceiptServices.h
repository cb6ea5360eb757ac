#pragma once
// What the receipt page reaches outside itself: the back-office service,
// the download engine, the dial-up, adapter and machine probes, the network
// scan, the waiting radar, message boxes and the system log. Each is a small
// interface whose default is the real component; tests hand in fakes.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "NetworkAdapter.h"
#include "ZEVAClientIntf.h"
#include "platform/WinTypes.h"

class CWnd;

namespace receipt {

// One back-office client, already initialised with the page's endpoint.
class IServiceClient {
public:
    virtual ~IServiceClient() = default;
    virtual const char* GetLastErrorInfo() = 0;
    virtual int GetCurrentAccount(std::string& account, bool fromServer) = 0;
    virtual int GetAccountNetType(const char* account, S_NetType& netType, bool fromServer) = 0;
    virtual int GetSpeedConfigList(const char* request, std::vector<S_SpeedConfig>& list) = 0;
    virtual int GetUserNameAndWorkListNum(const char* operationCode, const char* accounts,
                                          std::vector<std::string>& list) = 0;
    virtual int UpFinish(const char* WorkListNum, const char* Speed, const char* DialType,
                         const char* ConnectType, const char* CpuType, const char* MemoryTotalSize,
                         const char* WirelessIntensity, const char* CpeName,
                         const char* BequeathalProblems, const char* UserId, const char* PassWd,
                         const char* ErrorId, const char* OverTimeId, const char* Mark,
                         const char* UserName, const char* Phone, const char* Account,
                         const char* ClientId, const char* Mac, const char* PCCount,
                         const char* Version, S_UPFINISHOUT& out) = 0;
};

// The download-rate engine (posts its progress as `message` to `window`).
class ISpeedEngine {
public:
    virtual ~ISpeedEngine() = default;
    virtual void EnableProxy(bool useUserProxy) = 0;
    virtual int StartTest(const std::vector<std::string>& urls, unsigned long durationMs,
                          HWND window, UINT message) = 0;
    // No message is posted after it returns.
    virtual void StopTest() = 0;
};

class IDialUpProbe {
public:
    virtual ~IDialUpProbe() = default;
    // Looks for a running dial-up link of any type; 0 on success.
    virtual int GetActiveDialUp(bool& active, std::string& name) = 0;
    // The user name stored for the link the last GetActiveDialUp found; 0 on success.
    virtual int GetStoredUserName(std::string& user) = 0;
};

class IAdapterProbe {
public:
    virtual ~IAdapterProbe() = default;
    virtual int RetrieveAdapterIdList(std::vector<tag_ADAPTER>& adapters, std::string& error) = 0;
    virtual int IsEnabled(const std::string& id, COMMON_eNicState& state) = 0;
    virtual int RetrieveIPv4Data(const std::string& id, _ADAPTER_INFO& info) = 0;
    virtual int IsWirelessAdapter(const std::string& id, bool& wireless) = 0;
    virtual int GetSignalStrenghLevel(const std::string& id, int& level) = 0;
};

class IMachineProbe {
public:
    virtual ~IMachineProbe() = default;
    virtual void GetCPU(std::string& text) = 0;
    virtual void GetMemory(std::string& text) = 0;
    virtual void GetHardwareInfo(std::string& first, std::string& second) = 0;
    // The machine's received and sent byte counters (32-bit, wrapping).
    virtual void GetNetworkFlux(unsigned long& received, unsigned long& sent) = 0;
};

class ILanScan {
public:
    virtual ~ILanScan() = default;
    // The devices answering on the local network, counted.
    virtual int Scanning() = 0;
};

// The waiting animation shown while the page looks things up.
class IWaitIndicator {
public:
    virtual ~IWaitIndicator() = default;
    virtual void Show() = 0;
    virtual void Close() = 0;
};

class IMessages {
public:
    virtual ~IMessages() = default;
    // A modal exclamation box above `parent`; returns when it is answered.
    virtual void Show(const std::string& text, CWnd* parent) = 0;
};

class IEventLog {
public:
    virtual ~IEventLog() = default;
    virtual void Write(const std::string& module, const std::string& buildTime,
                       const std::string& sourceFile, const std::string& function, int line,
                       const std::string& message, const std::string& category) = 0;
};

struct ReceiptServices {
    // A new client initialised with the endpoint, a 7 s time-out and the
    // user's Internet Settings proxy.
    std::function<std::unique_ptr<IServiceClient>(const std::string& serviceUrl)> makeClient;
    std::unique_ptr<ISpeedEngine> speedEngine;
    std::shared_ptr<IDialUpProbe> dialUp;
    std::shared_ptr<IAdapterProbe> adapters;
    std::shared_ptr<IMachineProbe> machine;
    std::shared_ptr<ILanScan> scan;
    std::shared_ptr<IWaitIndicator> radar;
    std::shared_ptr<IMessages> messages;
    std::shared_ptr<IEventLog> eventLog;

    // The real components.
    static ReceiptServices Real();
};

}  // namespace receipt
