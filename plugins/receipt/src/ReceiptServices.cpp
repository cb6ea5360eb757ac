#include "ReceiptServices.h"

#include "DialUp.h"
#include "EventLog.h"
#include "HardwareInfo.h"
#include "IPtoTestingPC.h"
#include "NetworkFlux.h"
#include "Radar.h"
#include "ZEVAMessageBox.h"
#include "ZEVAVDownSpeedEx.h"

namespace receipt {
namespace {

constexpr unsigned kServiceTimeoutS = 7;

class RealClient final : public IServiceClient {
public:
    explicit RealClient(const std::string& serviceUrl) {
        client_.Initialize(serviceUrl.c_str(), kServiceTimeoutS, BCI_PROXY_IE, nullptr, 0, nullptr,
                           nullptr);
    }
    const char* GetLastErrorInfo() override { return client_.GetLastErrorInfo(); }
    int GetCurrentAccount(std::string& account, bool fromServer) override {
        return client_.GetCurrentAccount(account, fromServer);
    }
    int GetAccountNetType(const char* account, S_NetType& netType, bool fromServer) override {
        return client_.GetAccountNetType(account, netType, fromServer);
    }
    int GetSpeedConfigList(const char* request, std::vector<S_SpeedConfig>& list) override {
        return client_.GetSpeedConfigList(request, list);
    }
    int GetUserNameAndWorkListNum(const char* operationCode, const char* accounts,
                                  std::vector<std::string>& list) override {
        return client_.GetUserNameAndWorkListNum(operationCode, accounts, list);
    }
    int UpFinish(const char* WorkListNum, const char* Speed, const char* DialType,
                 const char* ConnectType, const char* CpuType, const char* MemoryTotalSize,
                 const char* WirelessIntensity, const char* CpeName, const char* BequeathalProblems,
                 const char* UserId, const char* PassWd, const char* ErrorId,
                 const char* OverTimeId, const char* Mark, const char* UserName, const char* Phone,
                 const char* Account, const char* ClientId, const char* Mac, const char* PCCount,
                 const char* Version, S_UPFINISHOUT& out) override {
        return client_.UpFinish(WorkListNum, Speed, DialType, ConnectType, CpuType,
                                MemoryTotalSize, WirelessIntensity, CpeName, BequeathalProblems,
                                UserId, PassWd, ErrorId, OverTimeId, Mark, UserName, Phone,
                                Account, ClientId, Mac, PCCount, Version, out);
    }

private:
    CZEVAClientIntf client_;
};

class RealSpeedEngine final : public ISpeedEngine {
public:
    void EnableProxy(bool useUserProxy) override { engine_.EnableProxy(useUserProxy); }
    int StartTest(const std::vector<std::string>& urls, unsigned long durationMs, HWND window,
                  UINT message) override {
        return engine_.StartTest(urls, durationMs, window, message);
    }
    void StopTest() override { engine_.StopTest(); }

private:
    CZEVAVDownSpeedEx engine_{true};
};

class RealDialUp final : public IDialUpProbe {
public:
    int GetActiveDialUp(bool& active, std::string& name) override {
        dial_ = CDialUp("", "");
        return CDialUp::GetActiveDialUp(dial_, active, name, DIAL_TYPE_ANY);
    }
    int GetStoredUserName(std::string& user) override { return dial_.GetStoredUserName(user); }

private:
    CDialUp dial_{"", ""};
};

class RealAdapters final : public IAdapterProbe {
public:
    int RetrieveAdapterIdList(std::vector<tag_ADAPTER>& adapters, std::string& error) override {
        return CNetworkAdapter::RetrieveAdapterIdList(adapters, error);
    }
    int IsEnabled(const std::string& id, COMMON_eNicState& state) override {
        return CNetworkAdapter(id).IsEnabled(state);
    }
    int RetrieveIPv4Data(const std::string& id, _ADAPTER_INFO& info) override {
        return CNetworkAdapter(id).RetrieveIPv4Data(info, false);
    }
    int IsWirelessAdapter(const std::string& id, bool& wireless) override {
        return CNetworkAdapter(id).IsWirelessAdapter(wireless);
    }
    int GetSignalStrenghLevel(const std::string& id, int& level) override {
        return CNetworkAdapter(id).GetSignalStrenghLevel(level);
    }
};

class RealMachine final : public IMachineProbe {
public:
    void GetCPU(std::string& text) override { ::GetCPU(text); }
    void GetMemory(std::string& text) override { ::GetMemory(text); }
    void GetHardwareInfo(std::string& first, std::string& second) override {
        ::GetHardwareInfo(first, second);
    }
    void GetNetworkFlux(unsigned long& received, unsigned long& sent) override {
        CNetworkFlux::GetNetworkFlux(received, sent);
    }
};

class RealScan final : public ILanScan {
public:
    int Scanning() override {
        std::vector<IP_MAC> devices;
        return CIPtoTestingPC().Scanning(devices, false);
    }
};

class RealRadar final : public IWaitIndicator {
public:
    void Show() override {
        radar_ = std::make_unique<CRadar>(nullptr);
        radar_->Show();
    }
    void Close() override {
        if (radar_) radar_->Close();
        radar_.reset();
    }

private:
    std::unique_ptr<CRadar> radar_;
};

class RealMessages final : public IMessages {
public:
    void Show(const std::string& text, CWnd* parent) override {
        ZEVAMessageBox(text, MB_ICONEXCLAMATION, 0, parent);
    }
};

class RealEventLog final : public IEventLog {
public:
    void Write(const std::string& module, const std::string& buildTime,
               const std::string& sourceFile, const std::string& function, int line,
               const std::string& message, const std::string& category) override {
        WriteSysEventLog(module, buildTime, sourceFile, function, line, message, category);
    }
};

}  // namespace

ReceiptServices ReceiptServices::Real() {
    ReceiptServices s;
    s.makeClient = [](const std::string& url) -> std::unique_ptr<IServiceClient> {
        return std::make_unique<RealClient>(url);
    };
    s.speedEngine = std::make_unique<RealSpeedEngine>();
    s.dialUp = std::make_shared<RealDialUp>();
    s.adapters = std::make_shared<RealAdapters>();
    s.machine = std::make_shared<RealMachine>();
    s.scan = std::make_shared<RealScan>();
    s.radar = std::make_shared<RealRadar>();
    s.messages = std::make_shared<RealMessages>();
    s.eventLog = std::make_shared<RealEventLog>();
    return s;
}

}  // namespace receipt
