// The online-service client: request documents, accepted flags, the own
// service flag, namespace handling, and both client libraries in one program.

#include <gtest/gtest.h>

#include "RawHttpServer.h"
#include "TestSupport.h"
#include "ZEVAClientIntf.h"
#include "eZEVAClientIntf.h"
#include "platform/CodePage.h"

using namespace zeva::test;

namespace {

const std::string kConnectFailed = zeva::Acp("连接服务器失败，网络可能不畅通！");
const std::string kBadAnswer = zeva::Acp("获取响应数据错误！");
constexpr char kOnlineNs[] = "http://online.kelv.pelmo.com";

std::string Answer(const std::string& operation, const std::string& inner,
                   const std::string& ns = kOnlineNs) {
    return RawHttpServer::HttpOk(RawHttpServer::Envelope("<o:" + operation + "Response xmlns:o=\"" +
                                                         ns + "\">" + inner + "</o:" + operation +
                                                         "Response>"));
}

std::string In0(const std::string& request) {
    const std::size_t a = request.find("<ns1:in0>");
    const std::size_t b = request.find("</ns1:in0>");
    if (a == std::string::npos || b == std::string::npos) return "<none>";
    std::string text = request.substr(a + 9, b - a - 9);
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}})
        for (std::size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + 1))
            text.replace(p, from.size(), to);
    return text;
}

class OnlineClient : public ::testing::Test {
protected:
    CeZEVAClientIntf Client() {
        CeZEVAClientIntf c;
        c.Initialize(server.Url("/KelvCC/BService.ws").c_str(), 3, EBCI_PROXY_NONE, nullptr, 0,
                     nullptr, nullptr);
        return c;
    }
    std::string LastIn0() { return In0(server.Requests().back()); }

    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
    RawHttpServer server;
};

}  // namespace

TEST_F(OnlineClient, OnlineTimeReport) {
    auto c = Client();
    bool accepted = true;
    server.Answer({Answer("setUserOnlineLength", "<o:out>true</o:out>")});
    ASSERT_EQ(c.SetUserOnlineLength("u1", "acc", {}, accepted), 0);
    EXPECT_TRUE(accepted);
    ExpectRequest(server, "setUserOnlineLength-empty");

    ASSERT_EQ(
        c.SetUserOnlineLength("u1", "acc", {{3600, "2026-12-07 08:00:00"}, {-5, ""}}, accepted), 0);
    EXPECT_EQ(LastIn0(),
              "<UserOnlineInfo><Account>acc</Account><UserId>u1</UserId><OnlineList>"
              "<OnlineInfo><OnlineLength>3600</OnlineLength><Ctime>2026-12-07 "
              "08:00:00</Ctime></OnlineInfo>"
              "<OnlineInfo><OnlineLength>-5</OnlineLength><Ctime></Ctime></OnlineInfo>"
              "</OnlineList></UserOnlineInfo>");

    // Null strings are sent empty.
    ASSERT_EQ(c.SetUserOnlineLength(nullptr, nullptr, {}, accepted), 0);
    EXPECT_EQ(LastIn0(),
              "<UserOnlineInfo><Account></Account><UserId></UserId><OnlineList></OnlineList></"
              "UserOnlineInfo>");

    // Refused or unanswered: still 0, flag false.
    server.Answer({Answer("setUserOnlineLength", "<o:out>false</o:out>")});
    EXPECT_EQ(c.SetUserOnlineLength("u1", "acc", {}, accepted), 0);
    EXPECT_FALSE(accepted);
    accepted = true;
    server.Answer({Answer("setUserOnlineLength", "")});
    EXPECT_EQ(c.SetUserOnlineLength("u1", "acc", {}, accepted), 0);
    EXPECT_FALSE(accepted);

    accepted = true;
    server.Answer({"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"});
    EXPECT_EQ(c.SetUserOnlineLength("u1", "acc", {}, accepted), -1);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(c.GetLastErrorInfo(), kConnectFailed);
}

TEST_F(OnlineClient, CrashReport) {
    auto c = Client();
    S_BugInfo bug{"Windows 7", "i5", "4GB",  "2.1", "ZEVAClient.exe", "2.1.0.3", "main.cpp",
                  "Run",       "42", "崩溃", "1",   "2026-12-07"};
    bug.Description = zeva::Acp("崩溃");
    bool accepted = false;
    server.Answer({Answer("setBugLog", "<o:out>true</o:out>")});
    ASSERT_EQ(c.SetBugLog({bug, S_BugInfo{}}, accepted), 0);
    EXPECT_TRUE(accepted);
    ExpectRequest(server, "setBugLog");

    // A record longer than its 4096-byte buffer is sent whole.
    S_BugInfo longBug;
    longBug.Description = std::string(6000, 'd');
    longBug.Ctime = "end";
    ASSERT_EQ(c.SetBugLog({longBug}, accepted), 0);
    EXPECT_NE(LastIn0().find("<Description>" + longBug.Description +
                             "</Description><Type></Type><Ctime>end</Ctime>"),
              std::string::npos);

    server.Answer({Answer("setBugLog", "<o:out>false</o:out>")});
    EXPECT_EQ(c.SetBugLog({}, accepted), 0);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(LastIn0(), "<BugLogs></BugLogs>");
}

TEST_F(OnlineClient, MarkupInArgumentsStaysInsideItsElement) {
    auto c = Client();
    bool accepted = false;
    server.Answer({Answer("setUserOnlineLength", "<o:out>true</o:out>")});
    ASSERT_EQ(c.SetUserOnlineLength("u<1>", "a</Account><UserId>x", {{7, "t&</Ctime>"}}, accepted),
              0);
    EXPECT_EQ(LastIn0(),
              "<UserOnlineInfo><Account>a&lt;/Account>&lt;UserId>x</Account>"
              "<UserId>u&lt;1></UserId><OnlineList><OnlineInfo><OnlineLength>7</OnlineLength>"
              "<Ctime>t&&lt;/Ctime></Ctime></OnlineInfo></OnlineList></UserOnlineInfo>");
}

TEST_F(OnlineClient, MarkupInACrashReportIsEscapedOnTheWire) {
    auto c = Client();
    bool accepted = false;
    server.Answer({Answer("setBugLog", "<o:out>true</o:out>")});
    S_BugInfo bug;
    bug.Description = "boom</Description><Type>9</Type><Description>";
    bug.Type = "1";
    ASSERT_EQ(c.SetBugLog({bug}, accepted), 0);
    ExpectRequest(server, "setBugLog-forged");
}

TEST_F(OnlineClient, EndpointsOtherThanHttpAndHttpsFail) {
    for (const std::string& endpoint : {"ftp://127.0.0.1:" + std::to_string(server.Port()) + "/",
                                        "127.0.0.1:" + std::to_string(server.Port()) + "/"}) {
        CeZEVAClientIntf c;
        c.Initialize(endpoint.c_str(), 3, EBCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
        std::vector<S_Service> list;
        EXPECT_EQ(c.GetServiceList(list), -1) << endpoint;
        EXPECT_EQ(c.GetLastErrorInfo(), kConnectFailed) << endpoint;
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(OnlineClient, OwnServiceFlagIsExactlyDescriptionOne) {
    auto c = Client();
    S_Service service;
    bool own = false;
    const std::string record =
        "<Id>7</Id><CityNo>0571</CityNo><Title>t</Title><ServiceUrl>s</ServiceUrl>"
        "<UpdateUrl>u</UpdateUrl><DemoUrl>d</DemoUrl>";
    server.Answer({Answer(
        "getOwnService",
        "<o:out>" + RawHttpServer::Escape(record + "<Description>1</Description>") + "</o:out>")});
    ASSERT_EQ(c.GetOwnService("acc", service, own), 0);
    EXPECT_TRUE(own);
    EXPECT_EQ(service.CityNo, "0571");
    EXPECT_EQ(service.DemoUrl, "d");
    EXPECT_EQ(LastIn0(), "acc");
    for (const std::string description :
         {"<Description>10</Description>", "<Description></Description>", ""}) {
        server.Answer(
            {Answer("getOwnService",
                    "<o:out>" + RawHttpServer::Escape(record + description) + "</o:out>")});
        ASSERT_EQ(c.GetOwnService("acc", service, own), 0);
        EXPECT_FALSE(own) << description;
    }
    server.Answer({Answer("getOwnService", "")});
    own = true;
    EXPECT_EQ(c.GetOwnService("acc", service, own), -1);
    EXPECT_FALSE(own);
    EXPECT_EQ(c.GetLastErrorInfo(), kBadAnswer);
}

TEST_F(OnlineClient, ServiceListIsAppended) {
    auto c = Client();
    std::vector<S_Service> list(1);
    server.Answer(
        {Answer("getServiceList",
                "<o:out>" +
                    RawHttpServer::Escape(
                        "<Service><Id>1</Id><Title>宽带助手</Title></Service><Service><Id>2</Id>"
                        "</Service>") +
                    "</o:out>")});
    ASSERT_EQ(c.GetServiceList(list), 0);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].Title, zeva::Acp("宽带助手"));
    EXPECT_EQ(list[2].Id, "2");
    EXPECT_EQ(LastIn0(), "<none>");
}

TEST_F(OnlineClient, OnlyCurrentAccountIgnoresNamespaces) {
    auto c = Client();
    std::string text;
    server.Answer({Answer("getCurrentAccount", "<o:out>acc9</o:out>", "urn:another")});
    ASSERT_EQ(c.GetCurrentAccount(text), 0);
    EXPECT_EQ(text, "acc9");

    server.Answer({Answer("getUserAttribution", "<o:out>x</o:out>", "urn:another")});
    text = "kept";
    EXPECT_EQ(c.GetUserAttribution("acc", text), -1);
    EXPECT_EQ(c.GetLastErrorInfo(), kConnectFailed);
    EXPECT_EQ(text, "kept");

    server.Answer({Answer("getUserAttribution", "<o:out>杭州分公司</o:out>")});
    ASSERT_EQ(c.GetUserAttribution("acc", text), 0);
    EXPECT_EQ(text, zeva::Acp("杭州分公司"));
}

TEST_F(OnlineClient, BothClientLibrariesInOneProgram) {
    // Each library keeps its own serializers and namespaces.
    server.Answer({Answer("getCurrentAccount", "<o:out>online</o:out>")});
    auto online = Client();
    std::string account;
    ASSERT_EQ(online.GetCurrentAccount(account), 0);
    EXPECT_EQ(account, "online");
    EXPECT_NE(server.Requests().back().find("xmlns:ns1=\"http://online.kelv.pelmo.com\">"),
              std::string::npos);
    EXPECT_EQ(server.Requests().back().find("xmlns:ns2"), std::string::npos);

    server.Answer(
        {Answer("getIpAddress", "<o:out>10.3.3.3</o:out>", "http://service.kelv.pelmo.com")});
    CZEVAClientIntf backOffice;
    backOffice.Initialize(server.Url().c_str(), 3, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    std::string ip;
    ASSERT_EQ(backOffice.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "10.3.3.3");
    EXPECT_NE(server.Requests().back().find("xmlns:ns2=\"http://bo.kelv.pelmo.com\""),
              std::string::npos);

    // And the online client still works after the other one ran.
    server.Answer({Answer("getCurrentAccount", "<o:out>again</o:out>")});
    ASSERT_EQ(online.GetCurrentAccount(account), 0);
    EXPECT_EQ(account, "again");
}
