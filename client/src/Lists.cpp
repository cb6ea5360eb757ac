// Lists, pushes and look-ups: speed-test servers, video sources, pushes,
// DNS servers, dial-up errors, password checks and work orders.

#include <cstring>
#include <optional>

#include "CallFrame_p.h"
#include "Messages_p.h"
#include "soapframe/Payload.h"
#include "soapframe/TagSearch.h"

using namespace zeva::soapframe;
using namespace zevabs;
namespace msg = zeva::clientmsg;

namespace {

template <class Config>
Config ConfigRecord(const std::string& slice) {
    Config r;
    const char* t = slice.c_str();
    FindString(t, "<Id>", "</Id>", r.Id);
    FindString(t, "<Title>", "</Title>", r.Title);
    FindString(t, "<Url>", "</Url>", r.Url);
    FindString(t, "<Type>", "</Type>", r.Type);
    FindString(t, "<City>", "</City>", r.City);
    FindString(t, "<Description>", "</Description>", r.Description);
    FindString(t, "<CTime>", "</CTime>", r.CTime);
    return r;
}

template <class Push>
Push PushRecord(const std::string& slice) {
    Push r;
    const char* t = slice.c_str();
    std::string id;
    FindString(t, "<Id>", "</Id>", id);
    r.Id = AtoiPrefix(id);
    FindString(t, "<Title>", "</Title>", r.Title);
    FindString(t, "<SummaryInfo>", "</SummaryInfo>", r.SummaryInfo);
    FindString(t, "<InfoUrl>", "</InfoUrl>", r.InfoUrl);
    return r;
}

// The value of "KEY=" in a ":::"-separated answer: up to the next ":::" or the end.
std::optional<std::string> DialUpItem(const std::string& answer, const char* key) {
    const std::size_t at = answer.find(key);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t start = at + std::strlen(key);
    const std::size_t end = answer.find(":::", start);
    return answer.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

int CZEVAClientIntf::GetSpeedConfigList(const char* request, std::vector<S_SpeedConfig>& list) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(OrEmpty(request));
        ns1__getSpeedConfigListResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getSpeedConfigList(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        ForEachRecord(
            call.Answer(answer.out), "<SpeedConfig>", "</SpeedConfig>",
            [&](const std::string& slice) { list.push_back(ConfigRecord<S_SpeedConfig>(slice)); });
        return 0;
    });
}

int CZEVAClientIntf::GetVideoConfigList(std::vector<S_VideoConfig>& list) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        ns1__getTestVideoConfigListResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getTestVideoConfigList(ctx, endpoint, kSoapAction, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        ForEachRecord(
            call.Answer(answer.out), "<TestVideoConfig>", "</TestVideoConfig>",
            [&](const std::string& slice) { list.push_back(ConfigRecord<S_VideoConfig>(slice)); });
        return 0;
    });
}

int CZEVAClientIntf::GetInfoPush(int lastId, const char* account, std::vector<S_InfoPush>& list) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 =
            call.Request(FormatPayload("<Infos><LastId>%d</LastId><Account>%s</Account></Infos>",
                                       lastId, EscapeMarkup(OrEmpty(account)).c_str()));
        ns1__InfoPushResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__InfoPush(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        ForEachRecord(
            call.Answer(answer.out), "<InfoPush>", "</InfoPush>",
            [&](const std::string& slice) { list.push_back(PushRecord<S_InfoPush>(slice)); });
        return 0;
    });
}

int CZEVAClientIntf::GetFeeInfoPush(int, const char* account, std::vector<S_FeeInfoPush>& list) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(FormatPayload("<Infos><Account>%s</Account></Infos>",
                                               EscapeMarkup(OrEmpty(account)).c_str()));
        ns1__getFeeInfoPushResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getFeeInfoPush(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        ForEachRecord(
            call.Answer(answer.out), "<InfoPush>", "</InfoPush>",
            [&](const std::string& slice) { list.push_back(PushRecord<S_FeeInfoPush>(slice)); });
        return 0;
    });
}

int CZEVAClientIntf::CheckPushFeedback(const char* request, S_FeedBackInfo& info) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(OrEmpty(request));
        ns1__checkPushFeedbackResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__checkPushFeedback(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        ForEachRecord(call.Answer(answer.out), "<feedbackInfo>", "</feedbackInfo>",
                      [&](const std::string& slice) {
                          FindString(slice.c_str(), "<title>", "</title>", info.title);
                          FindString(slice.c_str(), "<url>", "</url>", info.url);
                          FindString(slice.c_str(), "<desc>", "</desc>", info.desc);
                      });
        return 0;
    });
}

int CZEVAClientIntf::GetDns(const char* request, S_Dns& dns) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(OrEmpty(request));
        ns1__getDnsInfoResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getDnsInfo(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        ForEachRecord(call.Answer(answer.out), "<DnsInfos>", "</DnsInfos>",
                      [&](const std::string& slice) {
                          FindString(slice.c_str(), "<Dns>", "</Dns>", dns.Dns);
                          FindString(slice.c_str(), "<Dnsbak>", "</Dnsbak>", dns.Dnsbak);
                      });
        return 0;
    });
}

int CZEVAClientIntf::Get691Index(const char* ErrorCode, const char* TypeNo, const char* ReasonNo,
                                 const char* UserId, const char* CTime, std::string& result) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(FormatPayload(
            "<ErrorInfo><ErrorCode>%s</ErrorCode><TypeNo>%s</TypeNo><ReasonNo>%s"
            "</ReasonNo><UserId>%s</UserId><CTime>%s</CTime></ErrorInfo>",
            EscapeMarkup(OrEmpty(ErrorCode)).c_str(), EscapeMarkup(OrEmpty(TypeNo)).c_str(),
            EscapeMarkup(OrEmpty(ReasonNo)).c_str(), EscapeMarkup(OrEmpty(UserId)).c_str(),
            EscapeMarkup(OrEmpty(CTime)).c_str()));
        ns1__get691IndexResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__get691Index(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        return call.AnswerText(answer.out, result);
    });
}

int CZEVAClientIntf::GetLastDialUpError(const char* account, int& errorCode, std::string& u20,
                                        std::string& u09) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        const std::string asked = OrEmpty(account);
        char* in0 = call.Request(asked);
        ns1__getLastDialUpErrorResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getLastDialUpError(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        errorCode = 0;
        const std::string text = call.Answer(answer.out);
        if (text.empty()) {
            u20.clear();
            u09.clear();
            return 0;
        }
        for (const char* key : {"P01", "U09", "U11", "U20"})
            if (text.find(key) == std::string::npos) return call.Fail(msg::kMalformedAnswer);
        const auto p01 = DialUpItem(text, "P01=");
        if (p01 && *p01 != asked) return call.Fail(msg::kWrongAnswer);
        if (const auto v = DialUpItem(text, "U09=")) u09 = *v;
        if (const auto v = DialUpItem(text, "U11=")) errorCode = AtoiPrefix(*v);
        if (const auto v = DialUpItem(text, "U20=")) u20 = *v;
        return 0;
    });
}

int CZEVAClientIntf::CheckAccountPassword(const char* account, const char* password, bool& valid) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(FormatPayload(
            "<AccountPasswordInfo><Account>%s</Account><Password>%s</"
            "Password></AccountPasswordInfo>",
            EscapeMarkup(OrEmpty(account)).c_str(), EscapeMarkup(OrEmpty(password)).c_str()));
        ns1__checkAccountPasswordResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__checkAccountPassword(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        valid = answer.out && *answer.out;
        return 0;
    });
}

int CZEVAClientIntf::GetUserNameAndWorkListNum(const char* operationCode, const char* accounts,
                                               std::vector<std::string>& list) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(SeparatedRecord(
            "QOLT", {{"operationCode", OrEmpty(operationCode)}, {"accounts", OrEmpty(accounts)}},
            "\t\t"));
        ns1__getUserNameAndWorkListNumResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getUserNameAndWorkListNum(ctx, endpoint, kSoapAction, in0,
                                                                answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kBadAnswer);
        const std::string text = call.Answer(answer.out);
        const std::size_t open = text.find("<List>");
        if (open == std::string::npos) return 0;
        const std::size_t start = open + 6;
        const std::size_t close = text.find("</List>", start);
        const std::string slice =
            text.substr(start, close == std::string::npos ? std::string::npos : close - start);
        // Only complete <WorkListNum> pairs count here, unlike the record walks.
        for (std::size_t pos = 0;;) {
            const std::size_t a = slice.find("<WorkListNum>", pos);
            if (a == std::string::npos) break;
            const std::size_t b = slice.find("</WorkListNum>", a + 13);
            if (b == std::string::npos) break;
            list.push_back(slice.substr(a + 13, b - a - 13));
            pos = b;
        }
        return 0;
    });
}
