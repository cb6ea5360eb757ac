// Reports, lists and usage statistics: request templates byte for byte,
// argument-to-element mapping, list and record rules, answers and messages.

#include <gtest/gtest.h>

#include <climits>

#include "Emulator.h"
#include "RawHttpServer.h"
#include "ServiceAnswer.h"
#include "TestSupport.h"
#include "ZEVAClientFields.h"
#include "ZEVAClientIntf.h"
#include "platform/CodePage.h"

using namespace zeva::test;
using zeva::backoffice::Emulator;
using zeva::backoffice::FaultKind;
using zeva::soapframe::ArgumentPayload;
namespace fields = zeva::clientfields;

namespace {

const std::string kSpeedFailed = zeva::Acp("上传测速信息失败，服务器内部错误！");

class Templates : public ::testing::Test {
protected:
    CZEVAClientIntf Client() {
        CZEVAClientIntf client;
        client.Initialize(server.Url().c_str(), 5, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
        return client;
    }
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
    RawHttpServer server;
};

class Operations : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(emulator.Start("127.0.0.1", 0)); }
    CZEVAClientIntf Client() {
        CZEVAClientIntf client;
        client.Initialize(emulator.Url().c_str(), 5, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
        return client;
    }
    std::string LastIn0() { return emulator.Received().back().in0; }

    TempDir dir;
    ScopedEnv appDir{"ZEVA_APP_DIR", dir.path().string()};
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
    Emulator emulator;
};

// A distinct value per argument of a report, in argument order: "v" and the
// argument's name.
std::vector<std::string> Values(const ArgumentPayload& report) {
    std::vector<std::string> values;
    for (const std::string_view name : report.ArgumentOrder())
        values.push_back("v" + std::string(name));
    return values;
}

// Calls `fn` with the values as separate C-string arguments.
template <std::size_t N, class Fn>
int Spread(const std::vector<std::string>& values, Fn&& fn) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return fn(values.at(I).c_str()...);
    }
    (std::make_index_sequence<N>());
}

// Every element holds the value of the argument of the same name, in element order.
void ExpectElements(const std::string& in0, const ArgumentPayload& report) {
    std::size_t pos = 0;
    for (const std::string_view name : report.elements) {
        const std::string e(name);
        const std::string element = "<" + e + ">v" + e + "</" + e + ">";
        const std::size_t at = in0.find(element, pos);
        ASSERT_NE(at, std::string::npos) << e << " missing or out of order in " << in0;
        pos = at + element.size();
    }
}

}  // namespace

// --- Request templates, byte for byte -------------------------------------

TEST_F(Templates, SpeedResultWithAllArgumentsNull) {
    server.Answer({Answer("setSpeedInfo", "<ns1:out>true</ns1:out>")});
    auto c = Client();
    const char* n = nullptr;
    ASSERT_EQ(c.SetSpeedInfo(n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n), 0);
    ExpectRequest(server, "setSpeedInfo-null");
}

TEST_F(Templates, BackgroundSpeedResult) {
    server.Answer({Answer("setSpeedbgInfo", "<ns1:out>true</ns1:out>")});
    auto c = Client();
    ASSERT_EQ(c.SetSpeedTestBGInfo("3", "1024", "PPPoE", "2026-12-07 10:00:00", "u1", 3, "2.1.0"),
              0);
    ExpectRequest(server, "setSpeedbgInfo");
}

TEST_F(Templates, SlowLineDiagnosis) {
    server.Answer({Answer("setWitespeedSlow", "<ns1:out>ok</ns1:out>")});
    auto c = Client();
    std::string result;
    ASSERT_EQ(Spread<30>(Values(fields::kSpeedSlowInfo),
                         [&](auto... v) { return c.SetSpeedSlowInfo(v..., result); }),
              0);
    EXPECT_EQ(result, "ok");
    ExpectRequest(server, "setWitespeedSlow");
}

TEST_F(Templates, ItvDiagnosis) {
    server.Answer({Answer("setErrorITV", "<ns1:out>ok</ns1:out>")});
    auto c = Client();
    std::string result;
    ASSERT_EQ(Spread<16>(Values(fields::kErrorITVInfo),
                         [&](auto... v) { return c.SetErrorITVInfo(v..., result); }),
              0);
    ExpectRequest(server, "setErrorITV");
}

TEST_F(Templates, RepairOutcome) {
    server.Answer({Answer("setErrorHistory", "<ns1:out>ok</ns1:out>")});
    auto c = Client();
    std::string result;
    ASSERT_EQ(
        c.SetErrorHistory("691", "2", "7", "u1", "2026-12-07", true, "TP-LINK", false, result), 0);
    ExpectRequest(server, "setErrorHistory");
}

TEST_F(Templates, WorkOrderReport) {
    server.Answer({Answer("upFinish", "<ns1:out>&lt;Result&gt;1&lt;/Result&gt;</ns1:out>")});
    auto c = Client();
    S_UPFINISHOUT out;
    ASSERT_EQ(
        Spread<21>(Values(fields::kUpFinish), [&](auto... v) { return c.UpFinish(v..., out); }), 0);
    EXPECT_TRUE(out.Result);
    ExpectRequest(server, "upFinish");
}

TEST_F(Templates, LookUpDocuments) {
    auto c = Client();
    std::vector<S_InfoPush> pushes;
    server.Answer({Answer("InfoPush", "<ns1:out></ns1:out>")});
    ASSERT_EQ(c.GetInfoPush(-7, nullptr, pushes), 0);
    ExpectRequest(server, "InfoPush");
}

TEST_F(Templates, WorkOrderListRequest) {
    auto c = Client();
    std::vector<std::string> list;
    server.Answer({Answer("getUserNameAndWorkListNum", "<ns1:out>x</ns1:out>")});
    ASSERT_EQ(c.GetUserNameAndWorkListNum("HZ0931", "a1,a2", list), 0);
    ExpectRequest(server, "getUserNameAndWorkListNum");
}

TEST_F(Templates, InstallationRecordWithEmptyStrings) {
    server.Answer({Answer("setUseInfo", "<ns1:out>true</ns1:out>")});
    auto c = Client();
    S_UseInfo info;
    ASSERT_EQ(c.SetUseInfo(info), 0);
    ExpectRequest(server, "setUseInfo-empty");
}

// --- Arguments land in their elements ---------------------------------------

TEST_F(Operations, ArgumentsLandInTheElementsOfTheirName) {
    auto c = Client();
    std::string result;
    ASSERT_EQ(Spread<30>(Values(fields::kSpeedSlowInfo),
                         [&](auto... v) { return c.SetSpeedSlowInfo(v..., result); }),
              0);
    ExpectElements(LastIn0(), fields::kSpeedSlowInfo);
    EXPECT_EQ(
        result,
        zeva::Acp("<Result>1</Result><ResultDesc>已收到您的慢速诊断，客服将在24小时内联系您。</"
                  "ResultDesc>"));

    ASSERT_EQ(Spread<16>(Values(fields::kErrorITVInfo),
                         [&](auto... v) { return c.SetErrorITVInfo(v..., result); }),
              0);
    ExpectElements(LastIn0(), fields::kErrorITVInfo);

    S_UPFINISHOUT out;
    ASSERT_EQ(
        Spread<21>(Values(fields::kUpFinish), [&](auto... v) { return c.UpFinish(v..., out); }), 0);
    ExpectElements(LastIn0(), fields::kUpFinish);
    // The first argument is the work-order number, the eighth element.
    EXPECT_NE(
        LastIn0().find("<CpeName>vCpeName</CpeName>\t\t<WorkListNum>vWorkListNum</WorkListNum>"),
        std::string::npos);
}

TEST_F(Operations, FlagsAndCountsAreWrittenAsTheServiceReadsThem) {
    auto c = Client();
    std::string result;
    ASSERT_EQ(c.SetErrorHistory("", "", "", "", "", true, "", false, result), 0);
    EXPECT_NE(
        LastIn0().find("<IsSucceed>1</IsSucceed><CpeName></CpeName><IsExactError>0</IsExactError>"),
        std::string::npos);
    ASSERT_EQ(c.SetSpeedTestBGInfo(nullptr, nullptr, nullptr, nullptr, nullptr, -1, nullptr), 0);
    EXPECT_NE(LastIn0().find("<PCCount>-1</PCCount>"), std::string::npos);
    ASSERT_EQ(c.SetVPDNUsage(3, 1), 0);
    EXPECT_EQ(LastIn0(),
              "<Vpdn><SuccessTimes>3</SuccessTimes><UnSuccessTimes>1</UnSuccessTimes></Vpdn>");
    ASSERT_EQ(c.SetVPDNUsage(2147483648u, UINT_MAX), 0);
    EXPECT_EQ(
        LastIn0(),
        "<Vpdn><SuccessTimes>-2147483648</SuccessTimes><UnSuccessTimes>-1</UnSuccessTimes></Vpdn>");
    ASSERT_EQ(c.SetClientFunctionUsage(nullptr, 2147483649u), 0);
    EXPECT_EQ(LastIn0(), "<Function><Tag></Tag><Times>-2147483647</Times></Function>");
    std::vector<S_FeeInfoPush> fees;
    ASSERT_EQ(c.GetFeeInfoPush(99, "acc", fees), 0);
    EXPECT_EQ(LastIn0(), "<Infos><Account>acc</Account></Infos>");
    ASSERT_EQ(c.Get691Index("691", "2", "7", nullptr, "t", result), 0);
    EXPECT_EQ(LastIn0(),
              "<ErrorInfo><ErrorCode>691</ErrorCode><TypeNo>2</TypeNo><ReasonNo>7</"
              "ReasonNo><UserId></UserId>"
              "<CTime>t</CTime></ErrorInfo>");
    bool valid = true;
    // The service reads "&" as it stands; only "<" could forge a tag.
    ASSERT_EQ(c.CheckAccountPassword("acc", "p&w<", valid), 0);
    EXPECT_EQ(LastIn0(),
              "<AccountPasswordInfo><Account>acc</Account><Password>p&w&lt;</Password></"
              "AccountPasswordInfo>");
    EXPECT_FALSE(valid);
}

TEST_F(Operations, LongReportsAreSentWhole) {
    auto c = Client();
    const std::string big(5000, 'm');
    const char* n = nullptr;
    ASSERT_EQ(c.SetSpeedInfo(big.c_str(), n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, "end"), 0);
    EXPECT_NE(LastIn0().find("<NetTypeId>" + big + "</NetTypeId>"), std::string::npos);
    EXPECT_NE(LastIn0().find("<Disksn>end</Disksn>"), std::string::npos);
}

// --- Answers -----------------------------------------------------------------

TEST_F(Operations, FalseAnswersFailWithTheOperationsMessage) {
    auto c = Client();
    const char* n = nullptr;
    emulator.SetAnswer("setSpeedInfo", "", "false");
    EXPECT_EQ(c.SetSpeedInfo(n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), kSpeedFailed);
    emulator.SetFault("setSpeedbgInfo", {FaultKind::MissingOut, 0});
    EXPECT_EQ(c.SetSpeedTestBGInfo(n, n, n, n, n, 1, n), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), kSpeedFailed);
    emulator.SetAnswer("setUseInfo", "", "false");
    S_UseInfo info;
    EXPECT_EQ(c.SetUseInfo(info), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), zeva::Acp("上传使用信息失败，服务器内部错误！"));
    emulator.SetAnswer("setVPDNUsage", "", "false");
    EXPECT_EQ(c.SetVPDNUsage(1, 1), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), zeva::Acp("上传VPDN使用信息失败，服务器内部错误！"));
    emulator.SetAnswer("setClientFunctionUsage", "", "false");
    EXPECT_EQ(c.SetClientFunctionUsage("speed", 1), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), zeva::Acp("上传客户端功能使用信息失败，服务器内部错误！"));
    emulator.SetFault("setClientFunctionUsage", {FaultKind::SoapFault, 0});
    EXPECT_EQ(c.SetClientFunctionUsage("speed", 1), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), kConnectFailed);

    // A wrong password is an answer, not a failure.
    bool valid = true;
    EXPECT_EQ(c.CheckAccountPassword("0571a88001234", "wrong", valid), 0);
    EXPECT_FALSE(valid);
    EXPECT_EQ(c.CheckAccountPassword("0571a88001234", "zw123456", valid), 0);
    EXPECT_TRUE(valid);
    emulator.SetFault("checkAccountPassword", {FaultKind::MissingOut, 0});
    EXPECT_EQ(c.CheckAccountPassword("0571a88001234", "zw123456", valid), 0);
    EXPECT_FALSE(valid);
}

TEST_F(Operations, WorkOrderResultParsing) {
    auto c = Client();
    const char* n = nullptr;
    S_UPFINISHOUT out;
    auto up = [&] {
        return c.UpFinish(n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, n, out);
    };
    ASSERT_EQ(up(), 0);
    EXPECT_TRUE(out.Result);
    EXPECT_EQ(out.ResultDesc, zeva::Acp("回单成功，工单已归档。"));
    emulator.SetAnswer("upFinish", "", "<Result>abc</Result><ResultDesc>x</ResultDesc>");
    ASSERT_EQ(up(), 0);
    EXPECT_FALSE(out.Result);
    emulator.SetAnswer("upFinish", "", "<Result>0</Result>");
    out.ResultDesc = "old";
    ASSERT_EQ(up(), 0);  // a refused report is still an answer
    EXPECT_FALSE(out.Result);
    EXPECT_EQ(out.ResultDesc, "");
    emulator.SetAnswer("upFinish", "", "");
    EXPECT_EQ(up(), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), kBadAnswer);
}

TEST_F(Operations, ListsAreAppendedInAnswerOrder) {
    auto c = Client();
    std::vector<S_SpeedConfig> list(2);
    list[0].Id = "held1";
    emulator.SetAnswer("getSpeedConfigList", "",
                       "<SpeedConfig><Id>1</Id><City>杭州</City></SpeedConfig><SpeedConfig><Id>2</"
                       "Id><Title>t</Title>"
                       "</SpeedConfig><SpeedConfig><Id>3</Id><CTime>c</CTime></SpeedConfig>");
    ASSERT_EQ(c.GetSpeedConfigList("acc", list), 0);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].Id, "held1");
    EXPECT_EQ(list[2].Id, "1");
    EXPECT_EQ(list[2].City, zeva::Acp("杭州"));
    EXPECT_EQ(list[3].City, "");
    EXPECT_EQ(list[3].Title, "t");
    EXPECT_EQ(list[4].CTime, "c");

    std::vector<S_VideoConfig> videos;
    ASSERT_EQ(c.GetVideoConfigList(videos), 0);
    ASSERT_EQ(videos.size(), 2u);
    EXPECT_EQ(videos[1].Type, "SD");

    std::vector<S_InfoPush> pushes;
    emulator.SetAnswer(
        "InfoPush", "",
        "<InfoPush><Id>12</Id><Title>a</Title></InfoPush><InfoPush><Title>b</Title></InfoPush>");
    ASSERT_EQ(c.GetInfoPush(0, "acc", pushes), 0);
    ASSERT_EQ(pushes.size(), 2u);
    EXPECT_EQ(pushes[0].Id, 12);
    EXPECT_EQ(pushes[1].Id, 0);
    EXPECT_EQ(pushes[1].Title, "b");
    EXPECT_EQ(LastIn0(), "<Infos><LastId>0</LastId><Account>acc</Account></Infos>");

    // A failure before the answer appends nothing.
    emulator.SetFault("getSpeedConfigList", {FaultKind::Http500, 0});
    EXPECT_EQ(c.GetSpeedConfigList("acc", list), -1);
    EXPECT_EQ(list.size(), 5u);
}

TEST_F(Operations, SingleRecordsTakeTheLastOne) {
    auto c = Client();
    S_Dns dns;
    emulator.SetAnswer("getDnsInfo", "",
                       "<DnsInfos><Dns>1.1.1.1</Dns><Dnsbak>1.0.0.1</Dnsbak></DnsInfos>"
                       "<DnsInfos><Dns>2.2.2.2</Dns></DnsInfos>");
    ASSERT_EQ(c.GetDns("x", dns), 0);
    EXPECT_EQ(dns.Dns, "2.2.2.2");
    EXPECT_EQ(dns.Dnsbak, "");
    emulator.SetAnswer("getDnsInfo", "", "none");
    ASSERT_EQ(c.GetDns("x", dns), 0);
    EXPECT_EQ(dns.Dns, "2.2.2.2");

    S_FeedBackInfo feedback;
    ASSERT_EQ(c.CheckPushFeedback("101", feedback), 0);
    EXPECT_EQ(feedback.title, zeva::Acp("满意度调查"));
    EXPECT_EQ(LastIn0(), "101");
}

TEST_F(Operations, LastDialUpError) {
    auto c = Client();
    int code = -1;
    std::string u20 = "old20", u09 = "old09";
    emulator.SetAnswer("getLastDialUpError", "", "P01=acc:::U09=x:::U11=691:::U20=y");
    ASSERT_EQ(c.GetLastDialUpError("acc", code, u20, u09), 0);
    EXPECT_EQ(code, 691);
    EXPECT_EQ(u20, "y");
    EXPECT_EQ(u09, "x");

    code = 5;
    EXPECT_EQ(c.GetLastDialUpError("other", code, u20, u09), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), zeva::Acp("响应数据不正确！"));

    emulator.SetAnswer("getLastDialUpError", "", "P01=acc:::U09=x:::U11=691");
    u20 = "kept";
    EXPECT_EQ(c.GetLastDialUpError("acc", code, u20, u09), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), zeva::Acp("响应数据格式不合法！"));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(u20, "kept");

    emulator.SetAnswer("getLastDialUpError", "", "");
    code = 9;
    ASSERT_EQ(c.GetLastDialUpError("acc", code, u20, u09), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(u20, "");
    EXPECT_EQ(u09, "");

    // Key names present but without '=': outputs stay as they were.
    emulator.SetAnswer("getLastDialUpError", "", "P01 U09 U11 U20=z");
    u09 = "kept";
    ASSERT_EQ(c.GetLastDialUpError("acc", code, u20, u09), 0);
    EXPECT_EQ(u20, "z");
    EXPECT_EQ(u09, "kept");
}

TEST_F(Operations, WorkOrderNumbers) {
    auto c = Client();
    std::vector<std::string> list{"held"};
    ASSERT_EQ(c.GetUserNameAndWorkListNum("HZ0931", "acc", list), 0);
    EXPECT_EQ(list, (std::vector<std::string>{"held", "GD20261207001", "GD20261207014",
                                              "GD20261206088"}));
    EXPECT_EQ(
        LastIn0(),
        "<QOLT>\t\t<operationCode>HZ0931</operationCode>\t\t<accounts>acc</accounts>\t\t</QOLT>");

    emulator.SetAnswer("getUserNameAndWorkListNum", "", "<QOLT><UserName>x</UserName></QOLT>");
    ASSERT_EQ(c.GetUserNameAndWorkListNum("HZ0931", "acc", list), 0);
    EXPECT_EQ(list.size(), 4u);
    emulator.SetAnswer("getUserNameAndWorkListNum", "",
                       "<List><WorkListNum>a</WorkListNum></List><WorkListNum>b</WorkListNum>");
    ASSERT_EQ(c.GetUserNameAndWorkListNum("HZ0931", "acc", list), 0);
    EXPECT_EQ(list.back(), "a");
    EXPECT_EQ(list.size(), 5u);
    emulator.SetAnswer("getUserNameAndWorkListNum", "", "");
    EXPECT_EQ(c.GetUserNameAndWorkListNum("HZ0931", "acc", list), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), kBadAnswer);
}
