// What travels on the wire: request envelopes byte for byte, the answers the
// client must read (foreign prefixes, unknown elements, SOAP Header) and the
// transport failures it must survive within its time-out.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "RawHttpServer.h"
#include "ServiceAnswer.h"
#include "TestSupport.h"
#include "ZEVAClientIntf.h"
#include "platform/CodePage.h"
#include "platform/InternetSettings.h"
#include "platform/Registry.h"
#include "soapframe/SoapContext.h"
#include "stdsoap2.h"

using namespace zeva::test;

namespace {

const std::string kSubmitFailed = zeva::Acp("提交数据失败！");

CZEVAClientIntf Client(const std::string& url, unsigned int timeout = 5) {
    CZEVAClientIntf client;
    client.Initialize(url.c_str(), timeout, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    return client;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

class WireTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv appDir{"ZEVA_APP_DIR", dir.path().string()};
    ScopedEnv registry{"ZEVA_REGISTRY_DIR", (dir.path() / "registry").string()};
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
    ScopedEnv httpProxy{"http_proxy", std::nullopt};
    ScopedEnv httpProxyUpper{"HTTP_PROXY", std::nullopt};
    RawHttpServer server;
};

}  // namespace

// --- Request envelopes ---------------------------------------------------

TEST_F(WireTest, OperationWithoutArgumentSendsEmptyElementAndEmptySoapAction) {
    server.Answer({Answer("getIpAddress", "<ns1:out>10.1.2.3</ns1:out>")});
    auto client = Client(server.Url());
    std::string ip;
    ASSERT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "10.1.2.3");
    ExpectRequest(server, "getIpAddress");
}

TEST_F(WireTest, ChineseTextInTheSystemCodePageArrivesAsUtf8) {
    server.Answer({Answer("getAccountStatus", "<ns1:out>1</ns1:out>")});
    auto client = Client(server.Url());
    int status = -5;
    ASSERT_EQ(client.GetAccountStatus("\xba\xbc\xd6\xdd"
                                      "0571",
                                      status),
              0);  // GBK
    EXPECT_EQ(status, 1);
    ExpectRequest(server, "getAccountStatus-chinese");
    EXPECT_NE(server.Requests()[0].find("\xe6\x9d\xad\xe5\xb7\x9e"
                                        "0571"),
              std::string::npos);
}

TEST_F(WireTest, OnlyLessThanIsEscapedInThePayloadAndTheEnvelopeEscapesTheRest) {
    server.Answer({Answer("getChangePasswordUrl", "<ns1:out>http://x/</ns1:out>")});
    auto client = Client(server.Url());
    std::string url;
    ASSERT_EQ(client.GetChangePasswordUrl("a<b>&c", nullptr, url), 0);
    ExpectRequest(server, "getChangePasswordUrl-escaped");
}

TEST_F(WireTest, ForgedTagsInAnArgumentStayInsideTheirOwnElement) {
    server.Answer({Answer("InfoPush", "<ns1:out></ns1:out>")});
    auto client = Client(server.Url());
    std::vector<S_InfoPush> list;
    ASSERT_EQ(client.GetInfoPush(5, "a</Account><LastId>999</LastId><Account>x", list), 0);
    ExpectRequest(server, "InfoPush-forged");
}

// The payload inside in0 as the service reads it, with the envelope's own
// escaping undone once.
std::string In0Payload(const std::string& request) {
    const std::size_t a = request.find("<ns1:in0>");
    const std::size_t b = request.find("</ns1:in0>");
    if (a == std::string::npos || b == std::string::npos) return "<none>";
    std::string text = request.substr(a + 9, b - a - 9);
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [from, to] :
             {std::pair<std::string_view, char>{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}}) {
            if (text.compare(i, from.size(), from) == 0) {
                out += to;
                i += from.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

TEST_F(WireTest, EveryStructuredPayloadEscapesOnlyLessThanInItsArguments) {
    const char* v = "x</F><G>1</G>&amp;";
    // The service finds tags by substring search: "<" alone could forge one.
    const std::string escaped = "x&lt;/F>&lt;G>1&lt;/G>&amp;";
    std::string s;
    const std::vector<std::pair<const char*, std::function<void(CZEVAClientIntf&)>>> cases = {
        {"GetChangePasswordUrl", [&](auto& c) { c.GetChangePasswordUrl("a", v, s); }},
        {"CheckAccountPassword",
         [&](auto& c) {
             bool ok;
             c.CheckAccountPassword(v, "p", ok);
         }},
        {"GetFeeInfoPush",
         [&](auto& c) {
             std::vector<S_FeeInfoPush> l;
             c.GetFeeInfoPush(0, v, l);
         }},
        {"Get691Index", [&](auto& c) { c.Get691Index("1", "2", "3", "4", v, s); }},
        {"SetClientFunctionUsage", [&](auto& c) { c.SetClientFunctionUsage(v, 3); }},
        {"SetHttpInfo",
         [&](auto& c) {
             std::vector<S_HttpInfo> r(1);
             r[0].Url = v;
             c.SetHttpInfo(r);
         }},
        {"GetUserNameAndWorkListNum",
         [&](auto& c) {
             std::vector<std::string> l;
             c.GetUserNameAndWorkListNum("op", v, l);
         }},
        {"SetUseInfo",
         [&](auto& c) {
             S_UseInfo u;
             u.Mac = v;
             c.SetUseInfo(u);
         }},
        {"SetSpeedInfo",
         [&](auto& c) {
             c.SetSpeedInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, v,
                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr);
         }},
        {"SetSpeedTestBGInfo",
         [&](auto& c) { c.SetSpeedTestBGInfo(nullptr, nullptr, nullptr, nullptr, v, 2, nullptr); }},
        {"SetSpeedSlowInfo",
         [&](auto& c) {
             c.SetSpeedSlowInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, v, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, s);
         }},
        {"SetErrorITVInfo",
         [&](auto& c) {
             c.SetErrorITVInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, v, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, s);
         }},
        {"SetErrorHistory",
         [&](auto& c) {
             c.SetErrorHistory(nullptr, nullptr, nullptr, nullptr, nullptr, true, v, false, s);
         }},
        {"UpFinish",
         [&](auto& c) {
             S_UPFINISHOUT o;
             c.UpFinish(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr, nullptr, v, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr, o);
         }},
    };
    // Whatever the answer, only the request matters here.
    server.Answer({Answer("any", "")});
    auto client = Client(server.Url());
    for (const auto& [name, call] : cases) {
        call(client);
        const auto requests = server.Requests();
        ASSERT_FALSE(requests.empty()) << name;
        const std::string payload = In0Payload(requests.back());
        EXPECT_NE(payload.find(escaped), std::string::npos) << name << ": " << payload;
        EXPECT_EQ(payload.find("<G>"), std::string::npos) << name << ": " << payload;
    }
}

// The service reads "&" in a payload as it stands: a URL's query and a
// password reach it as the caller wrote them, with no entity in between.
TEST_F(WireTest, WebTestUrlWithAQueryReachesTheServiceAsWritten) {
    server.Answer({Answer("setHttpInfo", "<ns1:out>true</ns1:out>")});
    auto client = Client(server.Url());
    std::vector<S_HttpInfo> records(1);
    records[0] = {"u1", "n1", "http://h1/?a=1&b=2", "d1", "s1", "dt1", "tt1", "ht1", "r1",
                  "t1", "v1"};
    ASSERT_EQ(client.SetHttpInfo(records), 0);
    ExpectRequest(server, "setHttpInfo-query");
    EXPECT_NE(In0Payload(server.Requests()[0]).find("<Url>http://h1/?a=1&b=2</Url>"),
              std::string::npos);
}

TEST_F(WireTest, PasswordWithAnAmpersandReachesTheServiceAsWritten) {
    server.Answer({Answer("getChangePasswordUrl", "<ns1:out>http://x/</ns1:out>")});
    auto client = Client(server.Url());
    std::string url;
    ASSERT_EQ(client.GetChangePasswordUrl("acc", "p&w", url), 0);
    ExpectRequest(server, "getChangePasswordUrl-ampersand");
    EXPECT_EQ(In0Payload(server.Requests()[0]),
              "<AccountPasswordInfo><Account>acc</Account><Password>p&w</Password>"
              "</AccountPasswordInfo>");
}

TEST_F(WireTest, WebTestRecordsAreSeparatedByTenTabsAndTwoSpaces) {
    server.Answer({Answer("setHttpInfo", "<ns1:out>true</ns1:out>")});
    auto client = Client(server.Url());
    std::vector<S_HttpInfo> records(2);
    records[0] = {"u1", "n1", "http://a/", "d1", "s1", "dt1", "tt1", "ht1", "r1", "t1", "v1"};
    records[1] = {"u2", "n2", "http://b/", "d2", "s2", "dt2", "tt2", "ht2", "r2", "t2", "v2"};
    ASSERT_EQ(client.SetHttpInfo(records), 0);
    ExpectRequest(server, "setHttpInfo-two-records");
}

TEST_F(WireTest, EmptyWebTestListSendsOnlyTheWrapper) {
    server.Answer({Answer("setHttpInfo", "<ns1:out>true</ns1:out>")});
    auto client = Client(server.Url());
    std::vector<S_HttpInfo> none;
    ASSERT_EQ(client.SetHttpInfo(none), 0);
    EXPECT_NE(server.Requests()[0].find("<ns1:in0>&lt;QOLT&gt;&lt;/QOLT&gt;</ns1:in0>"),
              std::string::npos);
}

TEST_F(WireTest, NullArgumentIsSentAsEmptyText) {
    server.Answer({Answer("getAccountCity", "<ns1:out>x</ns1:out>")});
    auto client = Client(server.Url());
    std::string city;
    ASSERT_EQ(client.GetAccountCity(nullptr, city, true), 0);
    ExpectRequest(server, "getAccountCity-null");
}

TEST_F(WireTest, PayloadLongerThanItsBufferIsSentWhole) {
    server.Answer({Answer("getChangePasswordUrl", "<ns1:out>u</ns1:out>")});
    auto client = Client(server.Url());
    const std::string account(3000, 'a');
    std::string url;
    ASSERT_EQ(client.GetChangePasswordUrl(account.c_str(), "pw", url), 0);
    EXPECT_NE(server.Requests()[0].find("&lt;Account&gt;" + account +
                                        "&lt;/Account&gt;&lt;Password&gt;pw&lt;/Password&gt;"),
              std::string::npos);
}

// --- Reading answers -----------------------------------------------------

TEST_F(WireTest, AnswerWithForeignPrefixesAndNamespacesIsRead) {
    server.Answer(
        {RawHttpServer::HttpOk("<?xml version=\"1.0\"?><e:Envelope "
                               "xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
                               "<q:getAccountCityResponse "
                               "xmlns:q=\"urn:somebody-else\"><q:out>&#x5B81;\xe6\xb3\xa2</q:out>"
                               "</q:getAccountCityResponse></e:Body></e:Envelope>")});
    auto client = Client(server.Url());
    std::string city;
    ASSERT_EQ(client.GetAccountCity("a", city, true), 0);
    EXPECT_EQ(city, zeva::Acp("宁波"));
}

TEST_F(WireTest, UnqualifiedOutIsRead) {
    server.Answer({Answer("getIpAddress", "<out>10.9.9.9</out>")});
    auto client = Client(server.Url());
    std::string ip;
    ASSERT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "10.9.9.9");
}

TEST_F(WireTest, UnknownSiblingsAndSoapHeaderAreIgnored) {
    server.Answer({RawHttpServer::HttpOk(RawHttpServer::Envelope(
        "<ns1:getIpAddressResponse xmlns:ns1=\"http://service.kelv.pelmo.com\">"
        "<ns1:served-by>node-7</ns1:served-by><ns1:out>10.0.0.7</ns1:out><x:trace "
        "xmlns:x=\"urn:x\"><x:id>1</x:id></x:trace>"
        "</ns1:getIpAddressResponse>"))});
    auto client = Client(server.Url());
    std::string ip;
    ASSERT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "10.0.0.7");

    server.Answer({RawHttpServer::HttpOk(
        "<?xml version=\"1.0\"?><soap:Envelope "
        "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<soap:Header><t:Trace xmlns:t=\"urn:trace\">abc</t:Trace></soap:Header><soap:Body>"
        "<ns1:getIpAddressResponse "
        "xmlns:ns1=\"http://service.kelv.pelmo.com\"><ns1:out>10.0.0.8</ns1:out>"
        "</ns1:getIpAddressResponse></soap:Body></soap:Envelope>")});
    ASSERT_EQ(client.GetClientIp(ip), 0) << client.GetLastErrorInfo();
    EXPECT_EQ(ip, "10.0.0.8");
}

TEST_F(WireTest, EscapedAnswerTextIsUnescapedBeforeParsing) {
    server.Answer({Answer("getIpAddressAccount",
                          "<ns1:out>&lt;UserInfo&gt;&lt;Ip&gt;10.2.2.2&lt;/"
                          "Ip&gt;&lt;Account&gt;a&amp;b&lt;/Account&gt;"
                          "&lt;/UserInfo&gt;</ns1:out>")});
    auto client = Client(server.Url());
    std::string ip, account;
    ASSERT_EQ(client.GetClientIpAccount(ip, account), 0);
    EXPECT_EQ(ip, "10.2.2.2");
    EXPECT_EQ(account, "a&b");
}

TEST_F(WireTest, MissingOutIsNotATransportFailure) {
    auto client = Client(server.Url());
    server.Answer({Answer("getIpAddress", "")});
    std::string ip = "unchanged";
    EXPECT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "unchanged");

    server.Answer({Answer("getAccountCity", "")});
    std::string city = "unchanged";
    EXPECT_EQ(client.GetAccountCity("a", city, true), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kBadAnswer);
    EXPECT_EQ(city, "unchanged");

    server.Answer({Answer("setHttpInfo", "")});
    std::vector<S_HttpInfo> records(1);
    EXPECT_EQ(client.SetHttpInfo(records), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kSubmitFailed);

    server.Answer({Answer("setHttpInfo", "<ns1:out>false</ns1:out>")});
    EXPECT_EQ(client.SetHttpInfo(records), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kSubmitFailed);
}

TEST_F(WireTest, HttpErrorsFaultsAndForeignAnswersFailWithTheConnectionMessage) {
    const std::string fault =
        "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>boom</faultstring></"
        "soap:Fault>";
    const std::vector<std::string> answers = {
        "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
        "HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/xml\r\nConnection: "
        "close\r\n\r\n" +
            RawHttpServer::Envelope(fault),
        RawHttpServer::HttpOk(RawHttpServer::Envelope(fault)),
        "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
        RawHttpServer::HttpOk("\x01\x02 this is not xml <<<"),
        Answer("getSomethingElse", "<ns1:out>1.1.1.1</ns1:out>"),
        "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n<soap:Envelope xmlns:soap=\"ht",
        "",
    };
    auto client = Client(server.Url(), 2);
    for (const auto& bytes : answers) {
        server.Answer({bytes});
        std::string ip = "unchanged";
        client.GetLastErrorInfo();
        EXPECT_EQ(client.GetClientIp(ip), -1) << bytes;
        EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed) << bytes;
        EXPECT_EQ(ip, "unchanged");
    }
}

TEST_F(WireTest, SuccessLeavesTheOldErrorText) {
    auto client = Client("http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) +
                         "/kelv/BService.ws");
    std::string ip;
    EXPECT_EQ(client.GetClientIp(ip), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
    server.Answer({Answer("getIpAddress", "<ns1:out>10.1.1.1</ns1:out>")});
    client.Initialize(server.Url().c_str(), 5, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "10.1.1.1");
    EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
}

TEST_F(WireTest, EmptyEndpointFailsWithoutNetworkAccess) {
    CZEVAClientIntf client;
    std::string ip;
    EXPECT_EQ(client.GetClientIp(ip), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(WireTest, EndpointsOtherThanHttpAndHttpsFailWithoutTouchingStandardStreams) {
    // Standard input reads as empty, so a call that waits on it cannot hang the test.
    const int savedStdin = ::dup(0);
    const int devNull = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(savedStdin, 0);
    ASSERT_GE(devNull, 0);
    ::dup2(devNull, 0);
    ::close(devNull);
    const std::string port = std::to_string(server.Port());
    for (const std::string& endpoint :
         {"file://" + (dir.path() / "out").string(), "ftp://127.0.0.1:" + port + "/",
          "127.0.0.1:" + port + "/kelv/BService.ws", "httpx://127.0.0.1:" + port + "/",
          std::string("-")}) {
        auto client = Client(endpoint);
        std::string ip = "unchanged";
        ::testing::internal::CaptureStdout();
        const int rc = client.GetClientIp(ip);
        const std::string written = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(rc, -1) << endpoint;
        EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed) << endpoint;
        EXPECT_EQ(written, "") << endpoint;
        EXPECT_EQ(ip, "unchanged") << endpoint;
    }
    ::dup2(savedStdin, 0);
    ::close(savedStdin);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
    // Upper-case schemes are still web endpoints.
    server.Answer({Answer("getIpAddress", "<ns1:out>10.1.2.3</ns1:out>")});
    auto client = Client("HTTP://127.0.0.1:" + port + "/kelv/BService.ws");
    std::string ip;
    EXPECT_EQ(client.GetClientIp(ip), 0);
}

// --- Time limits and hostile servers -------------------------------------

TEST_F(WireTest, RefusedConnectionFails) {
    auto client = Client("http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) +
                             "/kelv/BService.ws",
                         1);
    std::string ip;
    EXPECT_EQ(client.GetClientIp(ip), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
}

TEST_F(WireTest, SilentServerTimesOut) {
    server.Answer({.bytes = "", .hold = true});
    auto client = Client(server.Url(), 1);
    std::string ip;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.GetClientIp(ip), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
    EXPECT_LT(Seconds(start), 3.5);
}

TEST_F(WireTest, DripFeedingServerCannotHoldTheCallBeyondItsTimeLimit) {
    // One byte every 200 ms keeps every single read inside the time-out; the
    // whole answer would take about two minutes.
    server.Answer(
        {.bytes = Answer("getIpAddress", "<ns1:out>10.1.1.1</ns1:out>"), .dripIntervalMs = 200});
    auto client = Client(server.Url(), 1);
    std::string ip;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.GetClientIp(ip), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
    EXPECT_LT(Seconds(start), 3.5);
}

TEST_F(WireTest, AnswerLargerThan16MiBFails) {
    const std::string big(17u * 1024u * 1024u, 'a');
    server.Answer({Answer("getIpAddress", "<ns1:out>" + big + "</ns1:out>")});
    auto client = Client(server.Url(), 5);
    std::string ip = "unchanged";
    EXPECT_EQ(client.GetClientIp(ip), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), kConnectFailed);
    EXPECT_EQ(ip, "unchanged");

    const std::string fits(1024u * 1024u, 'b');
    server.Answer({Answer("getIpAddress", "<ns1:out>" + fits + "</ns1:out>")});
    EXPECT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, fits);
}

// --- Proxies ---------------------------------------------------------------

namespace {

void SetInternetSettings(std::optional<std::uint32_t> enable, std::optional<std::string> server) {
    auto key =
        zeva::RegistryKey::Create(zeva::RegistryHive::CurrentUser, zeva::kInternetSettingsKey);
    ASSERT_TRUE(key);
    if (enable) key->SetDword("ProxyEnable", *enable);
    if (server) key->SetString("ProxyServer", *server);
}

// Exposes the context preparation, to see what a call would use.
class FrameProbe : public CZEVAClientIntf {
public:
    std::pair<std::string, int> Proxy(BCI_PROXYOPTION option) {
        struct soap* ctx = zeva::soapframe::AllocateContext();
        _InitializeSoap(ctx, 5, option, "custom", -25536, "u", "p");
        std::pair<std::string, int> result{ctx->proxy_host ? ctx->proxy_host : "<none>",
                                           ctx->proxy_port};
        _DestroySoap(ctx, option);
        zeva::soapframe::FreeContext(ctx);
        return result;
    }
};

}  // namespace

TEST_F(WireTest, InternetSettingsProxyIsReadAtEveryCall) {
    RawHttpServer proxy;
    proxy.Answer({Answer("getIpAddress", "<ns1:out>10.5.5.5</ns1:out>")});
    const std::string target =
        "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) +
        "/kelv/BService.ws";
    CZEVAClientIntf client;
    client.Initialize(target.c_str(), 2, BCI_PROXY_IE, nullptr, 0, nullptr, nullptr);

    SetInternetSettings(1, "127.0.0.1:" + std::to_string(proxy.Port()));
    std::string ip;
    ASSERT_EQ(client.GetClientIp(ip), 0) << client.GetLastErrorInfo();
    EXPECT_EQ(ip, "10.5.5.5");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].rfind("POST " + target + " HTTP/1.1\r\n", 0), 0u)
        << proxy.Requests()[0];

    // Switched off in the settings: the next call goes direct (and is refused).
    SetInternetSettings(0, std::nullopt);
    EXPECT_EQ(client.GetClientIp(ip), -1);
    EXPECT_EQ(proxy.Requests().size(), 1u);

    // Switched on again towards the real server: direct-style proxying works too.
    SetInternetSettings(1, "127.0.0.1:" + std::to_string(proxy.Port()));
    EXPECT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(proxy.Requests().size(), 2u);
}

TEST_F(WireTest, InternetSettingsProxyValueForms) {
    FrameProbe probe;
    EXPECT_EQ(probe.Proxy(BCI_PROXY_IE).first, "<none>");  // no settings at all
    SetInternetSettings(1, "proxy.example:8080");
    EXPECT_EQ(probe.Proxy(BCI_PROXY_IE), std::make_pair(std::string("proxy.example"), 8080));
    SetInternetSettings(1, "proxy.example");
    const auto noColon = probe.Proxy(BCI_PROXY_IE);
    EXPECT_EQ(noColon.first, "proxy.example");
    SetInternetSettings(0, std::nullopt);
    EXPECT_EQ(probe.Proxy(BCI_PROXY_IE).first, "<none>");
    // The 16-bit port field carries ports above 32767 too.
    EXPECT_EQ(probe.Proxy(BCI_PROXY_CUSTOM), std::make_pair(std::string("custom"), 40000));
    int unknown = 3;
    EXPECT_EQ(probe.Proxy(static_cast<BCI_PROXYOPTION>(unknown)).first, "<none>");
}

TEST_F(WireTest, OptionOneFallsBackToTheEnvironmentOptionZeroReadsNothing) {
    RawHttpServer proxy;
    proxy.Answer({Answer("getIpAddress", "<ns1:out>10.6.6.6</ns1:out>")});
    ScopedEnv env("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.Port()) + "/");

    server.Answer({Answer("getIpAddress", "<ns1:out>10.7.7.7</ns1:out>")});
    CZEVAClientIntf client;
    std::string ip;
    client.Initialize(server.Url().c_str(), 2, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    ASSERT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "10.7.7.7");
    EXPECT_TRUE(proxy.Requests().empty());

    client.Initialize(server.Url().c_str(), 2, BCI_PROXY_IE, nullptr, 0, nullptr, nullptr);
    ASSERT_EQ(client.GetClientIp(ip), 0);
    EXPECT_EQ(ip, "10.6.6.6");
    EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST_F(WireTest, CustomProxyGetsHostPortUserAndPassword) {
    RawHttpServer proxy;
    proxy.Answer({Answer("getIpAddress", "<ns1:out>10.8.8.8</ns1:out>")});
    const std::string target =
        "http://127.0.0.1:" + std::to_string(zeva::test::ClosedLoopbackPort()) +
        "/kelv/BService.ws";
    SetInternetSettings(0, std::nullopt);
    CZEVAClientIntf client;
    client.Initialize(target.c_str(), 2, BCI_PROXY_CUSTOM, "127.0.0.1",
                      static_cast<short>(proxy.Port()), "alice", "s3cret");
    std::string ip;
    ASSERT_EQ(client.GetClientIp(ip), 0) << client.GetLastErrorInfo();
    EXPECT_EQ(ip, "10.8.8.8");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    const std::string request = proxy.Requests()[0];
    EXPECT_EQ(request.rfind("POST " + target + " HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(request.find("Proxy-Authorization: Basic YWxpY2U6czNjcmV0\r\n"), std::string::npos)
        << request;
}
