// Who the customer is and how the line is set up: address, account, status,
// broadband type, city, self-service pages and the web-access test upload.

#include "CallFrame_p.h"
#include "ConfigKeys.h"
#include "Messages_p.h"
#include "ZEVAClientFields.h"
#include "soapframe/Payload.h"
#include "soapframe/TagSearch.h"

using namespace zeva::soapframe;
using namespace zevabs;
namespace msg = zeva::clientmsg;
namespace keys = zeva::cfgkeys;
namespace fields = zeva::clientfields;

int CZEVACommonClientIntf::GetClientIp(std::string& ip) {
    return CallFrame::Run(*this, soap_call_ns1__getIpAddress, [&](Call& call, auto& answer) {
        if (answer.out) ip = call.Answer(answer.out);
        return 0;
    });
}

int CZEVACommonClientIntf::GetClientIpAccount(std::string& ip, std::string& account) {
    return CallFrame::Run(*this, soap_call_ns1__getIpAddressAccount, [&](Call& call, auto& answer) {
        if (!answer.out) return call.Fail(msg::kBadAnswer);
        ForEachRecord(call.Answer(answer.out), "<UserInfo>", "</UserInfo>",
                      [&](const std::string& slice) {
                          _FindString(slice.c_str(), "<Ip>", "</Ip>", ip);
                          _FindString(slice.c_str(), "<Account>", "</Account>", account);
                      });
        return 0;
    });
}

int CZEVACommonClientIntf::GetCurrentAccount(std::string& account, bool fromServer) {
    if (!fromServer)
        return CallFrame::Guarded(*this, [&] {
            _ReadFromLocalCache(keys::kSectionUserInfo, keys::kKeyAccount, account);
            return 0;
        });
    return CallFrame::Run(*this, soap_call_ns1__getCurrentAccount, [&](Call& call, auto& answer) {
        if (call.AnswerText(answer.out, account) != 0) return -1;
        _WriteToLocalCache(keys::kSectionUserInfo, keys::kKeyAccount, account);
        return 0;
    });
}

int CZEVACommonClientIntf::GetAccountStatus(const char* account, int& status) {
    return CallFrame::Run(*this, OrEmpty(account), soap_call_ns1__getAccountStatus,
                          [&](Call& call, auto& answer) {
                              if (!answer.out || !*answer.out) return call.Fail(msg::kBadAnswer);
                              status = AtoiPrefix(answer.out);
                              return 0;
                          });
}

int CZEVACommonClientIntf::GetAccountNetType(const char* account, S_NetType& netType,
                                             bool fromServer) {
    if (!fromServer)
        return CallFrame::Guarded(*this, [&] {
            std::string cached;
            _ReadFromLocalCache(keys::kSectionUserInfo, keys::kKeyNetType, cached);
            FillRecord<S_NetType>(fields::kNetTypeFields, cached.c_str(), netType);
            return 0;
        });
    return CallFrame::Run(
        *this, OrEmpty(account), soap_call_ns1__getAccountNetType, [&](Call& call, auto& answer) {
            if (!answer.out) return call.Fail(msg::kBadAnswer);
            ForEachRecord(call.Answer(answer.out), "<NetType>", "</NetType>",
                          [&](const std::string& slice) {
                              FillRecord<S_NetType>(fields::kNetTypeFields, slice.c_str(), netType);
                              _WriteToLocalCache(keys::kSectionUserInfo, keys::kKeyNetType, slice);
                          });
            return 0;
        });
}

int CZEVACommonClientIntf::GetAccountCity(const char* account, std::string& city, bool fromServer) {
    if (!fromServer)
        return CallFrame::Guarded(*this, [&] {
            _ReadFromLocalCache(keys::kSectionUserInfo, keys::kKeyCity, city);
            return 0;
        });
    return CallFrame::Run(*this, OrEmpty(account), soap_call_ns1__getAccountCity,
                          [&](Call& call, auto& answer) {
                              if (call.AnswerText(answer.out, city) != 0) return -1;
                              _WriteToLocalCache(keys::kSectionUserInfo, keys::kKeyCity, city);
                              return 0;
                          });
}

int CZEVACommonClientIntf::GetDialUpHistoryUrl(const char* account, std::string& url) {
    return CallFrame::Run(*this, OrEmpty(account), soap_call_ns1__getDialUpHistoryUrl,
                          TextInto(url));
}

int CZEVACommonClientIntf::GetChangePasswordUrl(const char* account, const char* password,
                                                std::string& url) {
    return CallFrame::Run(
        *this,
        [&] {
            return ArgumentText(fields::kAccountPassword, {account, password});
        },
        soap_call_ns1__getChangePasswordUrl, TextInto(url));
}

// The service's balance and dial-up count queries are not offered to callers.
int CZEVACommonClientIntf::GetUserBalance(const char*, std::string&) {
    return 0;
}

int CZEVACommonClientIntf::GetDialUpTimes(const char*, std::string&) {
    return 0;
}

int CZEVACommonClientIntf::SetHttpInfo(std::vector<S_HttpInfo>& httpInfo) {
    const auto payload = [&] {
        std::string text = "<QOLT>";
        for (const S_HttpInfo& r : httpInfo) text += RecordText(fields::kHttpInfo, r);
        return text + "</QOLT>";
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__setHttpInfo,
                          AcceptedElse(msg::kSubmitFailed));
}
