#include "PageServices.h"

namespace zeva::plug {

namespace {

class RealClient final : public IServiceClient {
public:
    void Initialize(const std::string& serviceUrl, unsigned timeoutSeconds) override {
        client_.Initialize(serviceUrl.c_str(), timeoutSeconds, BCI_PROXY_IE, "", 0, "", "");
    }
    std::string GetLastErrorInfo() override {
        const char* text = client_.GetLastErrorInfo();
        return text ? text : "";
    }
    int GetCurrentAccount(std::string& account, bool fromServer) override {
        return client_.GetCurrentAccount(account, fromServer);
    }
    int GetAccountNetType(const std::string& account, S_NetType& netType,
                          bool fromServer) override {
        return client_.GetAccountNetType(account.c_str(), netType, fromServer);
    }
    int GetAccountCity(const std::string& account, std::string& city, bool fromServer) override {
        return client_.GetAccountCity(account.c_str(), city, fromServer);
    }
    int GetSpeedConfigList(const std::string& request, std::vector<S_SpeedConfig>& list) override {
        return client_.GetSpeedConfigList(request.c_str(), list);
    }
    int SetSpeedInfo(const std::vector<std::string>& f) override {
        if (f.size() != 17) return -1;
        return client_.SetSpeedInfo(
            f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str(), f[4].c_str(), f[5].c_str(),
            f[6].c_str(), f[7].c_str(), f[8].c_str(), f[9].c_str(), f[10].c_str(), f[11].c_str(),
            f[12].c_str(), f[13].c_str(), f[14].c_str(), f[15].c_str(), f[16].c_str());
    }
    int SetHttpInfo(std::vector<S_HttpInfo>& records) override {
        return client_.SetHttpInfo(records);
    }
    int GetUserNameAndWorkListNum(const std::string& operationCode, const std::string& accounts,
                                  std::vector<std::string>& list) override {
        return client_.GetUserNameAndWorkListNum(operationCode.c_str(), accounts.c_str(), list);
    }
    int UpFinish(const std::vector<std::string>& f, S_UPFINISHOUT& out) override {
        if (f.size() != 21) return -1;
        return client_.UpFinish(
            f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str(), f[4].c_str(), f[5].c_str(),
            f[6].c_str(), f[7].c_str(), f[8].c_str(), f[9].c_str(), f[10].c_str(), f[11].c_str(),
            f[12].c_str(), f[13].c_str(), f[14].c_str(), f[15].c_str(), f[16].c_str(),
            f[17].c_str(), f[18].c_str(), f[19].c_str(), f[20].c_str(), out);
    }

private:
    CZEVAClientIntf client_;
};

}  // namespace

PageServices PageServices::Real() {
    PageServices s = RealLocal();
    s.newClient = [] { return std::unique_ptr<IServiceClient>(new RealClient); };
    return s;
}

}  // namespace zeva::plug
