// zeva-client against the back-office emulator: output forms, failures and
// the cached values.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "CryptConfigFile.h"
#include "Emulator.h"
#include "ProgramRunner.h"
#include "TestSupport.h"
#include "ZEVAClientFields.h"

using namespace zeva::test;
using zeva::backoffice::Emulator;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class ClientTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(emulator.Start("127.0.0.1", 0)); }

    // `args` split at spaces, as the tests write them; no standard input.
    ToolRun Call(const std::string& args) {
        std::vector<std::string> words;
        std::istringstream in(args);
        for (std::string word; in >> word;) words.push_back(word);
        const RunResult result = RunProgram(ProgramPath("zeva-client"), words);
        return {result.exitCode, result.out, result.err};
    }
    std::string Service() { return "--service " + emulator.Url() + " "; }

    TempDir dir;
    ScopedEnv appDir{"ZEVA_APP_DIR", (dir.path() / "app").string()};
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
    Emulator emulator;
};

}  // namespace

TEST_F(ClientTool, PrintsUtf8TextAndJson) {
    std::filesystem::create_directories(dir.path() / "app");
    ToolRun r = Call(Service() + "GetAccountNetType 0571a88001234");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("BandType: 光纤宽带\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Description: 家庭光纤100兆，上行20兆\n"), std::string::npos) << r.out;

    r = Call(Service() + "--json GetAccountCity 0574b66005678");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"city\":\"宁波\"}\n");

    // Chinese arguments reach the service as UTF-8.
    r = Call(Service() + "GetAccountStatus 杭州用户");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(emulator.Received().back().in0, "杭州用户");
}

TEST_F(ClientTool, CachedValuesComeFromTheLastServerAnswer) {
    std::filesystem::create_directories(dir.path() / "app");
    ASSERT_EQ(Call(Service() + "GetAccountCity 0577c12340000").status, 0);
    const std::size_t calls = emulator.Received().size();
    ToolRun r = Call("GetAccountCity x --cached");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "city: 温州\n");
    EXPECT_EQ(emulator.Received().size(), calls);
}

TEST_F(ClientTool, ServiceUrlDefaultsToTheInstallationsConfig) {
    std::filesystem::create_directories(dir.path() / "app");
    CCryptConfigFile config((dir.path() / "app" / "Config.dat").string(), "");
    ASSERT_EQ(config.WriteString("Server", "ServiceURL", emulator.Url()), 0);
    ToolRun r = Call("GetClientIp");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ip: 127.0.0.1\n");
}

TEST_F(ClientTool, FailuresPrintTheLibrarysMessage) {
    emulator.SetFault("getAccountCity", {zeva::backoffice::FaultKind::Http500, 0});
    ToolRun r = Call(Service() + "GetAccountCity a");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zeva-client: 连接服务器失败，网络可能不畅通！\n");
    EXPECT_EQ(r.out, "");

    for (const char* bad :
         {"", "Bogus", "GetAccountCity", "GetClientIp extra", "--timeout 0 GetClientIp",
          "--proxy-option 3 GetClientIp", "SetHttpInfo --Nope 1", "GetClientIp --cached"}) {
        r = Call(Service() + bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.err.rfind("zeva-client: ", 0), 0u) << bad;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << bad;
    }
}

TEST_F(ClientTool, EndpointsOtherThanHttpAndHttpsAreRefused) {
    for (const char* url : {"file:///x", "ftp://127.0.0.1/", "127.0.0.1:80/"}) {
        ToolRun r = Call(std::string("--timeout 1 --service ") + url + " GetClientIp");
        EXPECT_EQ(r.status, 2) << url;
        EXPECT_EQ(r.out, "") << url;
        EXPECT_NE(r.err.find("must be an http:// or https:// URL"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST_F(ClientTool, ControlCharactersFromTheServerAreShownEscaped) {
    emulator.SetAnswer("getAccountCity", "", "\x1b]0;owned\x07\x1b[2J\rfake\ttab\x7f\\ok");
    ToolRun r = Call(Service() + "GetAccountCity a");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "city: \\x1b]0;owned\\x07\\x1b[2J\\rfake\\ttab\\x7f\\ok\n");
    r = Call(Service() + "--json GetAccountCity a");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"city\":\"\\u001b]0;owned\\u0007\\u001b[2J\\rfake\\ttab\\u007f\\\\ok\"}\n");

    // The C1 controls survive only a UTF-8 system code page.
    ScopedEnv utf8{"ZEVA_ACP", "UTF-8"};
    emulator.SetAnswer("getAccountCity", "",
                       "a\xc2\x9b"
                       "1m\xc2\xa0"
                       "b");
    r = Call(Service() + "GetAccountCity a");
    EXPECT_EQ(r.out,
              "city: a\\u009b1m\xc2\xa0"
              "b\n");
    r = Call(Service() + "--json GetAccountCity a");
    EXPECT_EQ(r.out,
              "{\"city\":\"a\\u009b1m\xc2\xa0"
              "b\"}\n");
}

TEST_F(ClientTool, WebTestRecordsFromOptions) {
    ToolRun r = Call(Service() + "SetHttpInfo --Url http://a/ --Result 1 --next --Url http://b/");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "records: 2\nstored: true\n");
    const std::string in0 = emulator.Received().back().in0;
    EXPECT_NE(in0.find("<Url>http://a/</Url>"), std::string::npos);
    EXPECT_NE(in0.find("<Url>http://b/</Url>"), std::string::npos);
    EXPECT_NE(in0.find("<Result>1</Result>"), std::string::npos);
}

// Every element of every report can be given, and each value lands in its
// own element, whatever order the library's arguments take.
TEST_F(ClientTool, EveryReportElementIsAnOption) {
    namespace fields = zeva::clientfields;
    const std::vector<std::pair<std::string, zeva::soapframe::ArgumentPayload>> reports = {
        {"SetSpeedInfo", fields::kSpeedInfo},
        {"SetSpeedSlowInfo", fields::kSpeedSlowInfo},
        {"SetErrorITVInfo", fields::kErrorITVInfo},
        {"UpFinish", fields::kUpFinish},
        {"Get691Index", fields::k691Index}};
    for (const auto& [op, report] : reports) {
        std::string args;
        for (const std::string_view name : report.elements)
            args += " --" + std::string(name) + " v" + std::string(name);
        const ToolRun r = Call(Service() + op + args);
        ASSERT_EQ(r.status, 0) << op << ": " << r.err;
        const std::string in0 = emulator.Received().back().in0;
        std::size_t pos = 0;
        for (const std::string_view name : report.elements) {
            const std::string n(name);
            const std::size_t at = in0.find("<" + n + ">v" + n + "</" + n + ">", pos);
            ASSERT_NE(at, std::string::npos) << op << ": " << n << " in " << in0;
            pos = at;
        }
    }
}

TEST_F(ClientTool, ReportsTakeTheirElementsAsOptions) {
    ToolRun r = Call(Service() + "UpFinish --WorkListNum GD1 --Account 杭州用户 --PCCount 2");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Result: true\nResultDesc: 回单成功，工单已归档。\n");
    const std::string in0 = emulator.Received().back().in0;
    EXPECT_NE(in0.find("<CpeName></CpeName>\t\t<WorkListNum>GD1</WorkListNum>"), std::string::npos)
        << in0;
    EXPECT_NE(in0.find("<Account>杭州用户</Account>"), std::string::npos) << in0;
    EXPECT_NE(in0.find("<DialType></DialType>"), std::string::npos) << in0;

    r = Call(Service() + "SetErrorHistory --ErrorCode 691 --IsSucceed 1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(emulator.Received().back().in0.find(
                  "<IsSucceed>1</IsSucceed><CpeName></CpeName><IsExactError>0<"),
              std::string::npos);
    EXPECT_EQ(Call(Service() + "SetErrorHistory --IsSucceed yes").status, 2);
    EXPECT_EQ(Call(Service() + "SetSpeedInfo --Nope 1").status, 2);

    r = Call(Service() + "SetVPDNUsage 3 1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(emulator.Received().back().in0,
              "<Vpdn><SuccessTimes>3</SuccessTimes><UnSuccessTimes>1</UnSuccessTimes></Vpdn>");
}

TEST_F(ClientTool, ListsPrintOneRecordEach) {
    ToolRun r = Call(Service() + "--json GetUserNameAndWorkListNum HZ0931 acc");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "{\"records\":[{\"WorkListNum\":\"GD20261207001\"},{\"WorkListNum\":\"GD20261207014\"},"
        "{\"WorkListNum\":\"GD20261206088\"}]}\n");
    r = Call(Service() + "GetSpeedConfigList 0571a88001234");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("-- record 3\n   Id: 3\n   Title: 省中心测速点\n"), std::string::npos)
        << r.out;
    r = Call(Service() + "GetLastDialUpError 0574b66005678");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "errorCode: 678\nU20: 2026-12-06 21:40:10\nU09: 账号欠费\n");
}

TEST_F(ClientTool, OnlineServiceOperations) {
    Emulator online(zeva::backoffice::DataSet::Default(zeva::backoffice::Service::Online),
                    zeva::backoffice::Service::Online);
    ASSERT_TRUE(online.Start("127.0.0.1", 0));
    const std::string service = "--online --service " + online.Url() + " ";
    ToolRun r = Call(service + "--json GetOwnService 0571a88001234");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out.rfind("{\"own\":\"true\",\"Id\":\"3\",\"CityNo\":\"0571\",\"Title\":\"宽带管家\"", 0),
        0u)
        << r.out;

    r = Call(service + "SetUserOnlineLength u1 acc 3600@2026-12-07T08:00 60@2026-12-07T09:00");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "accepted: true\n");
    EXPECT_NE(online.Received().back().in0.find(
                  "<OnlineLength>60</OnlineLength><Ctime>2026-12-07T09:00</Ctime>"),
              std::string::npos);

    r = Call(service + "SetBugLog --ModuleName ZEVAClient.exe --next --LineNo 42");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(online.Received().back().in0.find("<LineNo>42</LineNo>"), std::string::npos);

    EXPECT_EQ(Call("--online GetServiceList").status, 2);  // no endpoint
    EXPECT_EQ(Call(service + "GetClientIp").status, 2);    // not an online operation
}
