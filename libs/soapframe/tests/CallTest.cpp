// The call helper every operation of both client libraries runs through:
// what reaches the generated call, how failures become the owner's error
// text, and that the context is prepared and released once whatever happens.

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "soapframe/Call.h"
#include "soapframe/Payload.h"
#include "stdsoap2.h"

using namespace zeva::soapframe;

namespace {

const std::string kConnect = zeva::Acp("连接服务器失败，网络可能不畅通！");
const std::string kBad = zeva::Acp("获取响应数据错误！");

struct Owner final : CallOwner {
    void Prepare(soap* ctx) override {
        ++prepared;
        soap_init(ctx);
    }
    void Release(soap* ctx) override {
        ++released;
        soap_destroy(ctx);
        soap_end(ctx);
        soap_done(ctx);
    }
    const char* Endpoint() const override { return endpoint.c_str(); }
    void SetErrorText(const std::string& acpText) override { error = acpText; }

    std::string endpoint = "http://127.0.0.1:9/";
    std::string error = "untouched";
    int prepared = 0;
    int released = 0;
};

struct TextAnswer {
    char* out = nullptr;
};
struct FlagAnswer {
    bool* out = nullptr;
};

// Stand-ins for generated calls: what they were given, what they answer.
std::string g_in0;
std::string g_endpoint;
int g_calls = 0;
char g_text[] = "\xe6\x9d\xad\xe5\xb7\x9e";  // UTF-8
bool g_flag = false;

int AnswerText(soap*, const char* endpoint, const char* action, char* in0, TextAnswer& a) {
    ++g_calls;
    g_endpoint = endpoint;
    g_in0 = std::string(action) + "|" + in0;
    a.out = g_text;
    return SOAP_OK;
}
int AnswerNothing(soap*, const char*, const char*, TextAnswer&) {
    ++g_calls;
    return SOAP_OK;
}
int AnswerFlag(soap*, const char*, const char*, char*, FlagAnswer& a) {
    ++g_calls;
    a.out = &g_flag;
    return SOAP_OK;
}
int LoseConnection(soap*, const char*, const char*, char*, TextAnswer&) {
    ++g_calls;
    return SOAP_EOF;
}

class CallTest : public ::testing::Test {
protected:
    void SetUp() override { g_calls = 0; }
    zeva::test::ScopedEnv acp{"ZEVA_ACP", std::nullopt};
    Owner owner;
};

}  // namespace

TEST_F(CallTest, RequestTextReachesTheCallAsUtf8AndTheAnswerComesBackInTheCodePage) {
    std::string city;
    const int rc = Perform(owner, "\xba\xbc", AnswerText,  // GBK
                           [&](Call& call, TextAnswer& a) { return call.AnswerText(a.out, city); });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(g_in0, "|\xe6\x9d\xad");  // empty SOAPAction, then the UTF-8 text
    EXPECT_EQ(g_endpoint, owner.endpoint);
    EXPECT_EQ(city, zeva::Acp("杭州"));
    EXPECT_EQ(owner.error, "untouched");  // success leaves the error text alone
    EXPECT_EQ(owner.prepared, 1);
    EXPECT_EQ(owner.released, 1);
}

TEST_F(CallTest, FailuresSetTheOwnersTextAndReleaseTheContext) {
    struct Case {
        const char* what;
        std::function<int()> run;
        std::string error;
        int calls;
    };
    std::string text = "kept";
    const std::vector<Case> cases = {
        {"lost connection",
         [&] { return Perform(owner, "x", LoseConnection, [](Call&, TextAnswer&) { return 0; }); },
         kConnect, 1},
        {"no answer text",
         [&] {
             return Perform(owner, AnswerNothing, [&](Call& call, TextAnswer& a) {
                 return call.AnswerText(a.out, text);
             });
         },
         kBad, 1},
        {"answer false",
         [&] {
             g_flag = false;
             return Perform(owner, "x", AnswerFlag, [](Call& call, FlagAnswer& a) {
                 return call.Accepted(a.out, "提交数据失败！");
             });
         },
         zeva::Acp("提交数据失败！"), 1},
        {"payload out of memory",
         [&] {
             return Perform(
                 owner, []() -> std::string { throw std::bad_alloc(); }, AnswerText,
                 [](Call&, TextAnswer&) { return 0; });
         },
         kConnect, 0},
        {"handler throws",
         [&] {
             return Perform(owner, "x", AnswerText,
                            [](Call&, TextAnswer&) -> int { throw std::runtime_error("x"); });
         },
         kConnect, 1},
    };
    for (const Case& c : cases) {
        owner = Owner{};
        g_calls = 0;
        EXPECT_EQ(c.run(), -1) << c.what;
        EXPECT_EQ(owner.error, c.error) << c.what;
        EXPECT_EQ(g_calls, c.calls) << c.what;
        EXPECT_EQ(owner.prepared, 1) << c.what;
        EXPECT_EQ(owner.released, 1) << c.what;
    }
    EXPECT_EQ(text, "kept");
}

TEST_F(CallTest, EndpointsThatAreNotWebUrlsAreNeverCalled) {
    for (const char* endpoint : {"", "file:///tmp/x", "ftp://127.0.0.1/"}) {
        owner = Owner{};
        owner.endpoint = endpoint;
        g_calls = 0;
        EXPECT_EQ(Perform(owner, "x", AnswerText, [](Call&, TextAnswer&) { return 0; }), -1);
        EXPECT_EQ(g_calls, 0) << endpoint;
        EXPECT_EQ(owner.error, kConnect) << endpoint;
    }
}

TEST_F(CallTest, TrueAnswerIsAccepted) {
    g_flag = true;
    EXPECT_EQ(Perform(owner, "x", AnswerFlag,
                      [](Call& call, FlagAnswer& a) { return call.Accepted(a.out, "no"); }),
              0);
    EXPECT_EQ(owner.error, "untouched");
}
