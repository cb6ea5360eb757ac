// Who the customer is and how the line is set up: address, account, status,
// broadband type, city, self-service pages and the web-access test upload.

#include "CallFrame_p.h"
#include "ConfigKeys.h"
#include "Messages_p.h"
#include "soapframe/Payload.h"
#include "soapframe/TagSearch.h"

using namespace zeva::soapframe;
using namespace zevabs;
namespace msg = zeva::clientmsg;
namespace keys = zeva::cfgkeys;

namespace {

void FillNetType(const std::string& slice, S_NetType& netType) {
    const char* text = slice.c_str();
    zeva::soapframe::FindString(text, "<Id>", "</Id>", netType.Id);
    zeva::soapframe::FindString(text, "<BandType>", "</BandType>", netType.BandType);
    zeva::soapframe::FindString(text, "<BandRate>", "</BandRate>", netType.BandRate);
    zeva::soapframe::FindString(text, "<MaxValue>", "</MaxValue>", netType.MaxValue);
    zeva::soapframe::FindString(text, "<Value>", "</Value>", netType.Value);
    zeva::soapframe::FindString(text, "<Description>", "</Description>", netType.Description);
}

// Separator between adjacent tags of a web-access test record.
constexpr char kHttpSeparator[] = "\t\t\t\t\t\t\t\t\t\t  ";

}  // namespace

int CZEVACommonClientIntf::GetClientIp(std::string& ip) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        ns1__getIpAddressResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getIpAddress(ctx, endpoint, kSoapAction, answer);
            }))
            return call.ConnectFailed();
        if (answer.out) ip = call.Answer(answer.out);
        return 0;
    });
}

int CZEVACommonClientIntf::GetClientIpAccount(std::string& ip, std::string& account) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        ns1__getIpAddressAccountResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getIpAddressAccount(ctx, endpoint, kSoapAction, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        const std::string text = call.Answer(answer.out);
        ForEachRecord(text, "<UserInfo>", "</UserInfo>", [&](const std::string& slice) {
            _FindString(slice.c_str(), "<Ip>", "</Ip>", ip);
            _FindString(slice.c_str(), "<Account>", "</Account>", account);
        });
        return 0;
    });
}

int CZEVACommonClientIntf::GetCurrentAccount(std::string& account, bool fromServer) {
    return CallFrame::Guarded(*this, [&] {
        if (!fromServer) {
            _ReadFromLocalCache(keys::kSectionUserInfo, keys::kKeyAccount, account);
            return 0;
        }
        CallFrame call(*this);
        ns1__getCurrentAccountResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getCurrentAccount(ctx, endpoint, kSoapAction, answer);
            }))
            return call.ConnectFailed();
        if (call.AnswerText(answer.out, account) != 0) return -1;
        _WriteToLocalCache(keys::kSectionUserInfo, keys::kKeyAccount, account);
        return 0;
    });
}

int CZEVACommonClientIntf::GetAccountStatus(const char* account, int& status) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(OrEmpty(account));
        ns1__getAccountStatusResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getAccountStatus(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kBadAnswer);
        status = AtoiPrefix(answer.out);
        return 0;
    });
}

int CZEVACommonClientIntf::GetAccountNetType(const char* account, S_NetType& netType,
                                             bool fromServer) {
    return CallFrame::Guarded(*this, [&] {
        if (!fromServer) {
            std::string cached;
            _ReadFromLocalCache(keys::kSectionUserInfo, keys::kKeyNetType, cached);
            FillNetType(cached, netType);
            return 0;
        }
        CallFrame call(*this);
        char* in0 = call.Request(OrEmpty(account));
        ns1__getAccountNetTypeResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getAccountNetType(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        const std::string text = call.Answer(answer.out);
        ForEachRecord(text, "<NetType>", "</NetType>", [&](const std::string& slice) {
            FillNetType(slice, netType);
            _WriteToLocalCache(keys::kSectionUserInfo, keys::kKeyNetType, slice);
        });
        return 0;
    });
}

int CZEVACommonClientIntf::GetAccountCity(const char* account, std::string& city, bool fromServer) {
    return CallFrame::Guarded(*this, [&] {
        if (!fromServer) {
            _ReadFromLocalCache(keys::kSectionUserInfo, keys::kKeyCity, city);
            return 0;
        }
        CallFrame call(*this);
        char* in0 = call.Request(OrEmpty(account));
        ns1__getAccountCityResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getAccountCity(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (call.AnswerText(answer.out, city) != 0) return -1;
        _WriteToLocalCache(keys::kSectionUserInfo, keys::kKeyCity, city);
        return 0;
    });
}

int CZEVACommonClientIntf::GetDialUpHistoryUrl(const char* account, std::string& url) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(OrEmpty(account));
        ns1__getDialUpHistoryUrlResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getDialUpHistoryUrl(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        return call.AnswerText(answer.out, url);
    });
}

int CZEVACommonClientIntf::GetChangePasswordUrl(const char* account, const char* password,
                                                std::string& url) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(FormatPayload(
            "<AccountPasswordInfo><Account>%s</Account><Password>%s</"
            "Password></AccountPasswordInfo>",
            EscapeMarkup(OrEmpty(account)).c_str(), EscapeMarkup(OrEmpty(password)).c_str()));
        ns1__getChangePasswordUrlResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getChangePasswordUrl(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        return call.AnswerText(answer.out, url);
    });
}

// The service's balance and dial-up count queries are not offered to callers.
int CZEVACommonClientIntf::GetUserBalance(const char*, std::string&) {
    return 0;
}

int CZEVACommonClientIntf::GetDialUpTimes(const char*, std::string&) {
    return 0;
}

int CZEVACommonClientIntf::SetHttpInfo(std::vector<S_HttpInfo>& httpInfo) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        std::string text = "<QOLT>";
        for (const S_HttpInfo& r : httpInfo) {
            text += SeparatedRecord("Http",
                                    {{"UserId", r.UserId},
                                     {"NetTypeId", r.NetTypeId},
                                     {"Url", r.Url},
                                     {"DNSIp", r.DNSIp},
                                     {"HTTPServiceability", r.HTTPServiceability},
                                     {"DNSTimeDelay", r.DNSTimeDelay},
                                     {"TCPTimeDelay", r.TCPTimeDelay},
                                     {"HTTPTimeDelay", r.HTTPTimeDelay},
                                     {"Result", r.Result},
                                     {"Type", r.Type},
                                     {"Version", r.Version}},
                                    kHttpSeparator);
        }
        text += "</QOLT>";
        char* in0 = call.Request(text);
        ns1__setHttpInfoResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setHttpInfo(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kSubmitFailed);
        return 0;
    });
}
