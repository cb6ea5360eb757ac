// The emulator's data file, fault words, every operation of the service and
// the zeva-backoffice program itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "Emulator.h"
#include "Operations.h"
#include "ProgramRunner.h"
#include "TestSupport.h"
#include "ZEVAClientIntf.h"
#include "eZEVAClientIntf.h"
#include "platform/AppPath.h"

using namespace zeva::backoffice;
using namespace zeva::test;

TEST(DataSet, SectionsKeysCommentsAndPlaceholders) {
    DataSet data;
    ASSERT_TRUE(data.Parse(
        "# comment\n"
        "[getAccountCity]\n未知\n\n"
        "[getAccountCity acc1]\n杭州\n"
        "[getChangePasswordUrl acc1]\nhttp://x/?a=${account}&peer=${peer}\n"
        "[getChangePasswordUrl acc1:pw]\nwith password\n"
        "[getChangePasswordUrl a&b:p<w]\nescaped fields\n"
        "[getUserNameAndWorkListNum]\n<List>\n  <WorkListNum>1</WorkListNum>\n</List>\n\n\n"));
    EXPECT_EQ(data.Answer("getAccountCity", "acc1", "p"), "杭州");
    EXPECT_EQ(data.Answer("getAccountCity", "other", "p"), "未知");
    EXPECT_EQ(data.Answer("getChangePasswordUrl", "<Account>acc1</Account><Password>x</Password>",
                          "1.2.3.4"),
              "http://x/?a=acc1&peer=1.2.3.4");
    EXPECT_EQ(
        data.Answer("getChangePasswordUrl", "<Account>acc1</Account><Password>pw</Password>", "p"),
        "with password");
    // Fields arrive with "<" escaped, as the clients send them; "&" as it stands.
    EXPECT_EQ(data.Answer("getChangePasswordUrl",
                          "<Account>a&b</Account><Password>p&lt;w</Password>", "p"),
              "escaped fields");
    EXPECT_EQ(data.Answer("getUserNameAndWorkListNum", "", "p"),
              "<List>\n  <WorkListNum>1</WorkListNum>\n</List>");
    EXPECT_EQ(data.Answer("getIpAddress", "", "p"), std::nullopt);

    std::string error;
    EXPECT_FALSE(DataSet().Parse("[getIpAddress]\n1\n[ ]\n", &error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
}

TEST(DataSet, DefaultDataAnswersEveryOperation) {
    const DataSet data = DataSet::Default();
    std::vector<std::string> missing;
#define ZEVA_CHECK(name, in0, kind) \
    if (!data.Answer(#name, "0571a88001234", "127.0.0.1")) missing.push_back(#name);
    ZEVA_BSERVICE_OPERATIONS(ZEVA_CHECK)
#undef ZEVA_CHECK
    EXPECT_TRUE(missing.empty()) << missing.size() << " operations without an answer, first "
                                 << missing.front();
    EXPECT_EQ(data.Answer("getAccountCity", "0571a88001234", ""), "杭州");
}

TEST(Faults, WordsAndCombinations) {
    EXPECT_EQ(ParseFault("http500")->kind, FaultKind::Http500);
    EXPECT_EQ(ParseFault("fault")->kind, FaultKind::SoapFault);
    EXPECT_EQ(ParseFault("noout")->kind, FaultKind::MissingOut);
    EXPECT_EQ(ParseFault("garbage")->kind, FaultKind::Garbage);
    const auto both = ParseFault("delay:1500,fault");
    ASSERT_TRUE(both);
    EXPECT_EQ(both->delayMs, 1500);
    EXPECT_EQ(both->kind, FaultKind::SoapFault);
    EXPECT_FALSE(ParseFault("delay:"));
    EXPECT_FALSE(ParseFault("delay:-5"));
    EXPECT_FALSE(ParseFault("delay:99999999999999"));
    EXPECT_FALSE(ParseFault("crash"));
}

TEST(Emulator, RefusesNonLoopbackAddresses) {
    Emulator emulator;
    std::string error;
    EXPECT_FALSE(emulator.Start("0.0.0.0", 0, &error));
    EXPECT_NE(error.find("loopback"), std::string::npos);
}

TEST(Emulator, APortInUseIsRefusedWithTheSystemsReason) {
    Emulator first;
    ASSERT_TRUE(first.Start("127.0.0.1", 0));
    Emulator second;
    std::string error;
    EXPECT_FALSE(second.Start("127.0.0.1", first.Port(), &error));
    const std::string prefix = "cannot listen on 127.0.0.1:" + std::to_string(first.Port()) + ": ";
    ASSERT_EQ(error.rfind(prefix, 0), 0u) << error;
    const std::string reason = error.substr(prefix.size());
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find("Unknown error"), std::string::npos) << error;
}

TEST(Emulator, AnswersOnlyAtTheServicePath) {
    Emulator emulator;
    ASSERT_TRUE(emulator.Start("127.0.0.1", 0));
    CZEVAClientIntf client;
    const std::string wrong = "http://127.0.0.1:" + std::to_string(emulator.Port()) + "/other.ws";
    client.Initialize(wrong.c_str(), 2, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    std::string ip;
    EXPECT_EQ(client.GetClientIp(ip), -1);
    client.Initialize(emulator.Url().c_str(), 2, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(client.GetClientIp(ip), 0);
}

namespace {

// Waits for the program to name its port (it writes the file once listening).
int PortOf(const std::filesystem::path& portFile) {
    for (int i = 0; i < 400 && !std::filesystem::exists(portFile); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    return std::filesystem::exists(portFile) ? std::stoi(ReadFile(portFile)) : -1;
}

}  // namespace

TEST(Program, ServesRecordsAndMisbehavesOnRequest) {
    TempDir dir;
    // Files in a folder with a Chinese name: the program takes its paths as UTF-8.
    const auto folder = dir.path() / zeva::PathFromUtf8("后台数据");
    std::filesystem::create_directories(folder);
    const auto portFile = folder / "port";
    const auto log = folder / "requests.jsonl";
    const auto data = folder / zeva::PathFromUtf8("数据.dat");
    WriteFile(data, "[getAccountStatus 0577c12340000]\n3\n\n[getAccountCity]\n温州\n");
    const int pid = StartProgram(
        ProgramPath("zeva-backoffice"),
        {"--port", "0", "--port-file", zeva::Utf8Path(portFile), "--log", zeva::Utf8Path(log),
         "--data", zeva::Utf8Path(data), "--quiet", "--fault", "getAccountCity=fault"},
        dir.path());
    ASSERT_GT(pid, 0);
    const int port = PortOf(portFile);
    ASSERT_GT(port, 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/kelv/BService.ws";

    CZEVAClientIntf client;
    client.Initialize(url.c_str(), 3, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    int status = -1;
    EXPECT_EQ(client.GetAccountStatus("0577c12340000", status), 0);
    EXPECT_EQ(status, 3);  // from the data file, not the built-in data
    std::string city;
    EXPECT_EQ(client.GetAccountCity("0577c12340000", city, true), -1);

    EXPECT_TRUE(KillProgram(pid));
    WaitProgram(pid);
    EXPECT_EQ(ReadFile(log),
              "{\"operation\":\"getAccountStatus\",\"in0\":\"0577c12340000\"}\n"
              "{\"operation\":\"getAccountCity\",\"in0\":\"0577c12340000\"}\n");
}

TEST(Program, BadArgumentsFailWithOneLine) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--fault", "getIpAddress=explode"},
                                               {"--port", "70000"},
                                               {"--host", "192.0.2.1"},
                                               {"--bogus"}}) {
        const RunResult r = RunProgram(ProgramPath("zeva-backoffice"), args);
        EXPECT_EQ(r.exitCode, 1) << args[0];
        EXPECT_EQ(r.err.rfind("zeva-backoffice: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(Emulator, OnlineServiceAnswersTheOnlineClient) {
    ScopedEnv acp("ZEVA_ACP", "UTF-8");
    Emulator emulator(DataSet::Default(Service::Online), Service::Online);
    ASSERT_TRUE(emulator.Start("127.0.0.1", 0));
    EXPECT_NE(emulator.Url().find("/KelvCC/BService.ws"), std::string::npos);
    CeZEVAClientIntf client;
    client.Initialize(emulator.Url().c_str(), 3, EBCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    S_Service own;
    bool isOwn = false;
    ASSERT_EQ(client.GetOwnService("0571a88001234", own, isOwn), 0);
    EXPECT_TRUE(isOwn);
    EXPECT_EQ(own.Title, "宽带管家");
    std::vector<S_Service> list;
    ASSERT_EQ(client.GetServiceList(list), 0);
    EXPECT_EQ(list.size(), 3u);
    bool accepted = false;
    ASSERT_EQ(client.SetUserOnlineLength("u1", "0571a88001234", {{3600, "2026-12-07 08:00:00"}},
                                         accepted),
              0);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(emulator.Received().back().operation, "setUserOnlineLength");
    EXPECT_NE(emulator.Received().back().in0.find("<OnlineLength>3600</OnlineLength>"),
              std::string::npos);

    emulator.SetAnswer("setBugLog", "", "false");
    ASSERT_EQ(client.SetBugLog({S_BugInfo{}}, accepted), 0);
    EXPECT_FALSE(accepted);

    // The back-office client finds no back-office service here.
    CZEVAClientIntf backOffice;
    backOffice.Initialize(emulator.Url().c_str(), 3, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    std::string ip;
    EXPECT_EQ(backOffice.GetClientIp(ip), -1);
}
