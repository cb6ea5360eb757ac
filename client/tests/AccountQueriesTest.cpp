// Account and address queries against the back-office emulator, with the
// local result cache in UserData.dat.

#include <gtest/gtest.h>

#include <chrono>

#include "CryptConfigFile.h"
#include "Emulator.h"
#include "ServiceAnswer.h"
#include "TestSupport.h"
#include "ZEVAClientIntf.h"
#include "platform/CodePage.h"

using namespace zeva::test;
using zeva::backoffice::Emulator;
using zeva::backoffice::Fault;
using zeva::backoffice::FaultKind;

namespace {

class AccountQueries : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(emulator.Start("127.0.0.1", 0, &error)) << error;
    }

    CZEVAClientIntf Client(unsigned int timeout = 5) {
        CZEVAClientIntf client;
        client.Initialize(emulator.Url().c_str(), timeout, BCI_PROXY_NONE, nullptr, 0, nullptr,
                          nullptr);
        return client;
    }

    std::string Cached(const std::string& key) {
        CCryptConfigFile store((dir.path() / "UserData.dat").string(), "");
        std::string value;
        store.ReadString("UserInfo", key, "<missing>", value);
        return value;
    }

    TempDir dir;
    ScopedEnv appDir{"ZEVA_APP_DIR", dir.path().string()};
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
    Emulator emulator;
};

S_NetType Fields(std::string id, std::string type, std::string rate, std::string max,
                 std::string value, std::string description) {
    return S_NetType{id, type, rate, max, value, description};
}

bool Same(const S_NetType& a, const S_NetType& b) {
    return a.Id == b.Id && a.BandType == b.BandType && a.BandRate == b.BandRate &&
           a.MaxValue == b.MaxValue && a.Value == b.Value && a.Description == b.Description;
}

}  // namespace

TEST_F(AccountQueries, ClientIpAccountTakesTheLastUserInfoRecord) {
    emulator.SetAnswer("getIpAddressAccount", "",
                       "<UserInfo><Ip>10.0.0.1</Ip><Account>first</Account></UserInfo>"
                       "<UserInfo><Ip>10.0.0.2</Ip><Account>second</Account></UserInfo>");
    auto client = Client();
    std::string ip, account;
    ASSERT_EQ(client.GetClientIpAccount(ip, account), 0);
    EXPECT_EQ(ip, "10.0.0.2");
    EXPECT_EQ(account, "second");

    // A record without <Account> empties it; no record at all leaves both.
    emulator.SetAnswer("getIpAddressAccount", "", "<UserInfo><Ip>10.0.0.3</Ip></UserInfo>");
    ASSERT_EQ(client.GetClientIpAccount(ip, account), 0);
    EXPECT_EQ(ip, "10.0.0.3");
    EXPECT_EQ(account, "");
    account = "kept";
    emulator.SetAnswer("getIpAddressAccount", "", "nothing here");
    ASSERT_EQ(client.GetClientIpAccount(ip, account), 0);
    EXPECT_EQ(account, "kept");

    emulator.SetFault("getIpAddressAccount", {FaultKind::MissingOut, 0});
    EXPECT_EQ(client.GetClientIpAccount(ip, account), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kBadAnswer);
}

TEST_F(AccountQueries, ClientIpIsTheAddressTheServiceSees) {
    auto client = Client();
    std::string ip;
    ASSERT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "127.0.0.1");
    ASSERT_EQ(emulator.Received().size(), 1u);
    EXPECT_EQ(emulator.Received()[0].operation, "getIpAddress");
    EXPECT_FALSE(emulator.Received()[0].hasIn0);

    emulator.SetFault("getIpAddress", {FaultKind::MissingOut, 0});
    ip = "unchanged";
    EXPECT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "unchanged");
}

TEST_F(AccountQueries, NetTypeFromServerIsCachedAcrossObjects) {
    emulator.SetAnswer(
        "getAccountNetType", "acc1",
        "<NetType><Id>1</Id><BandType>ADSL</BandType><BandRate>2M</BandRate><MaxValue>256</"
        "MaxValue>"
        "<Value>200</Value><Description>old</Description></NetType>"
        "<NetType><Id>8</Id><BandType>\xe5\x85\x89\xe7\xba\xa4</BandType><BandRate>100M</BandRate>"
        "<Value>10240</Value><Description>\xe5\xae\xb6\xe5\xba\xad</Description></NetType>");
    S_NetType fromServer;
    {
        auto client = Client();
        ASSERT_EQ(client.GetAccountNetType("acc1", fromServer, true), 0);
    }
    EXPECT_TRUE(
        Same(fromServer, Fields("8", zeva::Acp("光纤"), "100M", "", "10240", zeva::Acp("家庭"))));
    EXPECT_EQ(emulator.Received().back().in0, "acc1");

    // A second object, no server: the same six values from UserData.dat.
    emulator.Stop();
    S_NetType fromCache = Fields("x", "x", "x", "x", "x", "x");
    CZEVAClientIntf other;
    ASSERT_EQ(other.GetAccountNetType("ignored", fromCache, false), 0);
    EXPECT_TRUE(Same(fromCache, fromServer));
}

TEST_F(AccountQueries, NetTypeAnswerWithoutRecordLeavesRecordAndCache) {
    auto client = Client();
    emulator.SetAnswer("getAccountNetType", "acc1", "<NetType><Id>3</Id></NetType>");
    S_NetType record;
    ASSERT_EQ(client.GetAccountNetType("acc1", record, true), 0);
    const std::string cached = Cached("NetType");
    EXPECT_EQ(cached, "<Id>3</Id>");

    emulator.SetAnswer("getAccountNetType", "acc1", "<NetTypes></NetTypes>");
    record = Fields("a", "b", "c", "d", "e", "f");
    ASSERT_EQ(client.GetAccountNetType("acc1", record, true), 0);
    EXPECT_TRUE(Same(record, Fields("a", "b", "c", "d", "e", "f")));
    EXPECT_EQ(Cached("NetType"), cached);

    // A failed call leaves the cache too.
    emulator.SetFault("getAccountNetType", {FaultKind::SoapFault, 0});
    EXPECT_EQ(client.GetAccountNetType("acc1", record, true), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
    EXPECT_EQ(Cached("NetType"), cached);
}

TEST_F(AccountQueries, CacheReadsNeverFail) {
    CZEVAClientIntf client;  // not even initialised: no network is needed
    std::string account = "x", city = "y";
    S_NetType record = Fields("a", "b", "c", "d", "e", "f");
    EXPECT_EQ(client.GetCurrentAccount(account, false), 0);
    EXPECT_EQ(client.GetAccountCity("a", city, false), 0);
    EXPECT_EQ(client.GetAccountNetType("a", record, false), 0);
    EXPECT_EQ(account, "");
    EXPECT_EQ(city, "");
    EXPECT_TRUE(Same(record, S_NetType{}));
    EXPECT_TRUE(emulator.Received().empty());
}

TEST_F(AccountQueries, CurrentAccountFromServerIsCachedEvenWhenEmpty) {
    auto client = Client();
    std::string account;
    ASSERT_EQ(client.GetCurrentAccount(account, true), 0);
    EXPECT_EQ(account, "0571a88001234");
    EXPECT_EQ(Cached("Account"), "0571a88001234");

    emulator.SetAnswer("getCurrentAccount", "", "");
    account = "x";
    ASSERT_EQ(client.GetCurrentAccount(account, true), 0);
    EXPECT_EQ(account, "");
    EXPECT_EQ(Cached("Account"), "");

    emulator.SetAnswer("getCurrentAccount", "", "new");
    emulator.SetFault("getCurrentAccount", {FaultKind::Http500, 0});
    EXPECT_EQ(client.GetCurrentAccount(account, true), -1);
    EXPECT_EQ(Cached("Account"), "");
}

TEST_F(AccountQueries, CityTravelsInUtf8AndIsCachedInTheCodePage) {
    auto client = Client();
    std::string city;
    ASSERT_EQ(client.GetAccountCity("0574b66005678", city, true), 0);
    EXPECT_EQ(city, zeva::Acp("宁波"));
    EXPECT_EQ(city, "\xc4\xfe\xb2\xa8");  // GBK

    CZEVAClientIntf other;
    std::string cached;
    ASSERT_EQ(other.GetAccountCity(nullptr, cached, false), 0);
    EXPECT_EQ(cached, city);

    // Chinese text in the request reaches the service as UTF-8 and comes back unchanged.
    emulator.SetAnswer("getAccountCity", "", "${in0}");
    ASSERT_EQ(client.GetAccountCity(zeva::Acp("温州市区").c_str(), city, true), 0);
    EXPECT_EQ(emulator.Received().back().in0, "温州市区");
    EXPECT_EQ(city, zeva::Acp("温州市区"));
}

TEST_F(AccountQueries, StatusIsANumberAndMustNotBeEmpty) {
    auto client = Client();
    int status = -1;
    emulator.SetAnswer("getAccountStatus", "a", "2");
    ASSERT_EQ(client.GetAccountStatus("a", status), 0);
    EXPECT_EQ(status, 2);

    emulator.SetAnswer("getAccountStatus", "a", "");
    status = 9;
    EXPECT_EQ(client.GetAccountStatus("a", status), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kBadAnswer);
    EXPECT_EQ(status, 9);
}

TEST_F(AccountQueries, SelfServicePagesAndPasswordDocument) {
    auto client = Client();
    std::string url;
    ASSERT_EQ(client.GetDialUpHistoryUrl("acc9", url), 0);
    EXPECT_EQ(url, "http://selfservice.pelmo.com.cn/kd/dialup-history?account=acc9");
    ASSERT_EQ(client.GetChangePasswordUrl("acc9", "pw", url), 0);
    EXPECT_EQ(url, "http://selfservice.pelmo.com.cn/kd/password?account=acc9");
    EXPECT_EQ(emulator.Received().back().in0,
              "<AccountPasswordInfo><Account>acc9</Account><Password>pw</Password></"
              "AccountPasswordInfo>");

    emulator.SetFault("getDialUpHistoryUrl", {FaultKind::MissingOut, 0});
    url = "kept";
    EXPECT_EQ(client.GetDialUpHistoryUrl("acc9", url), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kBadAnswer);
    EXPECT_EQ(url, "kept");
}

TEST_F(AccountQueries, BalanceAndDialUpTimesSendNothing) {
    auto client = Client();
    std::string balance = "kept", times = "kept";
    EXPECT_EQ(client.GetUserBalance("acc", balance), 0);
    EXPECT_EQ(client.GetDialUpTimes(nullptr, times), 0);
    EXPECT_EQ(balance, "kept");
    EXPECT_EQ(times, "kept");
    EXPECT_TRUE(emulator.Received().empty());
}

TEST_F(AccountQueries, WebTestUploadNeedsATrueAnswer) {
    auto client = Client();
    std::vector<S_HttpInfo> records(1);
    records[0].Url = "http://www.example.cn/";
    ASSERT_EQ(client.SetHttpInfo(records), 0);
    EXPECT_NE(emulator.Received().back().in0.find("<Url>http://www.example.cn/</Url>"),
              std::string::npos);

    emulator.SetAnswer("setHttpInfo", "", "false");
    EXPECT_EQ(client.SetHttpInfo(records), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), zeva::Acp("提交数据失败！"));
}

TEST_F(AccountQueries, EmulatorFaultsFailTheCallWithinItsTimeLimit) {
    auto client = Client(1);
    std::string city;
    for (FaultKind kind : {FaultKind::Http500, FaultKind::SoapFault, FaultKind::Garbage}) {
        emulator.SetFault("getAccountCity", {kind, 0});
        EXPECT_EQ(client.GetAccountCity("a", city, true), -1);
        EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
    }
    emulator.SetFault("getAccountCity", {FaultKind::None, 2500});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.GetAccountCity("a", city, true), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2400));
}

TEST_F(AccountQueries, ObjectsAreCopyableWithTheirSettings) {
    auto client = Client();
    CZEVAClientIntf copy(client);
    std::string ip;
    EXPECT_EQ(copy.GetClientIp(ip), 0);
    CZEVAClientIntf assigned;
    assigned = copy;
    EXPECT_EQ(assigned.GetClientIp(ip), 0);
    EXPECT_EQ(emulator.Received().size(), 2u);
}
