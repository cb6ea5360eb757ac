// Lists, pushes and look-ups: speed-test servers, video sources, pushes,
// DNS servers, dial-up errors, password checks and work orders.

#include <cstring>
#include <optional>

#include "CallFrame_p.h"
#include "Messages_p.h"
#include "ZEVAClientFields.h"
#include "soapframe/Payload.h"
#include "soapframe/TagSearch.h"

using namespace zeva::soapframe;
using namespace zevabs;
namespace msg = zeva::clientmsg;
namespace fields = zeva::clientfields;

namespace {

// Appends one record per <open>...</close> of the answer, read with `fill`.
template <class Record, class Fill>
int AppendRecords(Call& call, const char* answer, const char* open, const char* close,
                  std::vector<Record>& list, Fill&& fill) {
    if (!answer) return call.Fail(msg::kBadAnswer);
    ForEachRecord(call.Answer(answer), open, close, [&](const std::string& slice) {
        Record r;
        fill(slice.c_str(), r);
        list.push_back(r);
    });
    return 0;
}

template <class Config>
void FillConfig(const char* slice, Config& r) {
    FillRecord<Config>(fields::kConfigFields<Config>, slice, r);
}

template <class Push>
void FillPush(const char* slice, Push& r) {
    std::string id;
    FindString(slice, "<Id>", "</Id>", id);
    r.Id = AtoiPrefix(id);
    FillRecord<Push>(fields::kPushTextFields<Push>, slice, r);
}

// Fills `record` from every <open>...</close> of the answer in turn, so the
// last one counts.
template <class Record>
int LastRecord(Call& call, const char* answer, const char* open, const char* close,
               std::span<const Field<Record>> table, Record& record) {
    if (!answer) return call.Fail(msg::kBadAnswer);
    ForEachRecord(call.Answer(answer), open, close,
                  [&](const std::string& slice) { FillRecord(table, slice.c_str(), record); });
    return 0;
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
    return CallFrame::Run(
        *this, OrEmpty(request), soap_call_ns1__getSpeedConfigList, [&](Call& call, auto& answer) {
            return AppendRecords(call, answer.out, "<SpeedConfig>", "</SpeedConfig>", list,
                                 FillConfig<S_SpeedConfig>);
        });
}

int CZEVAClientIntf::GetVideoConfigList(std::vector<S_VideoConfig>& list) {
    return CallFrame::Run(
        *this, soap_call_ns1__getTestVideoConfigList, [&](Call& call, auto& answer) {
            return AppendRecords(call, answer.out, "<TestVideoConfig>", "</TestVideoConfig>", list,
                                 FillConfig<S_VideoConfig>);
        });
}

int CZEVAClientIntf::GetInfoPush(int lastId, const char* account, std::vector<S_InfoPush>& list) {
    const auto payload = [&] {
        return ArgumentText(fields::kInfoPush, {std::to_string(lastId).c_str(), account});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__InfoPush, [&](Call& call, auto& answer) {
        return AppendRecords(call, answer.out, "<InfoPush>", "</InfoPush>", list,
                             FillPush<S_InfoPush>);
    });
}

int CZEVAClientIntf::GetFeeInfoPush(int, const char* account, std::vector<S_FeeInfoPush>& list) {
    return CallFrame::Run(
        *this, [&] { return ArgumentText(fields::kFeeInfoPush, {account}); },
        soap_call_ns1__getFeeInfoPush,
        [&](Call& call, auto& answer) {
            return AppendRecords(call, answer.out, "<InfoPush>", "</InfoPush>", list,
                                 FillPush<S_FeeInfoPush>);
        });
}

int CZEVAClientIntf::CheckPushFeedback(const char* request, S_FeedBackInfo& info) {
    return CallFrame::Run(
        *this, OrEmpty(request), soap_call_ns1__checkPushFeedback, [&](Call& call, auto& answer) {
            return LastRecord<S_FeedBackInfo>(call, answer.out, "<feedbackInfo>", "</feedbackInfo>",
                                              fields::kFeedBackFields, info);
        });
}

int CZEVAClientIntf::GetDns(const char* request, S_Dns& dns) {
    return CallFrame::Run(*this, OrEmpty(request), soap_call_ns1__getDnsInfo,
                          [&](Call& call, auto& answer) {
                              return LastRecord<S_Dns>(call, answer.out, "<DnsInfos>",
                                                       "</DnsInfos>", fields::kDnsFields, dns);
                          });
}

int CZEVAClientIntf::Get691Index(const char* ErrorCode, const char* TypeNo, const char* ReasonNo,
                                 const char* UserId, const char* CTime, std::string& result) {
    return CallFrame::Run(
        *this,
        [&] {
            return ArgumentText(fields::k691Index, {ErrorCode, TypeNo, ReasonNo, UserId, CTime});
        },
        soap_call_ns1__get691Index, TextInto(result));
}

int CZEVAClientIntf::GetLastDialUpError(const char* account, int& errorCode, std::string& u20,
                                        std::string& u09) {
    const std::string_view asked = OrEmpty(account);
    return CallFrame::Run(*this, OrEmpty(account), soap_call_ns1__getLastDialUpError,
                          [&](Call& call, auto& answer) {
                              if (!answer.out) return call.Fail(msg::kBadAnswer);
                              errorCode = 0;
                              const std::string text = call.Answer(answer.out);
                              if (text.empty()) {
                                  u20.clear();
                                  u09.clear();
                                  return 0;
                              }
                              for (const char* key : {"P01", "U09", "U11", "U20"})
                                  if (text.find(key) == std::string::npos)
                                      return call.Fail(msg::kMalformedAnswer);
                              const auto p01 = DialUpItem(text, "P01=");
                              if (p01 && *p01 != asked) return call.Fail(msg::kWrongAnswer);
                              if (const auto v = DialUpItem(text, "U09=")) u09 = *v;
                              if (const auto v = DialUpItem(text, "U11="))
                                  errorCode = AtoiPrefix(*v);
                              if (const auto v = DialUpItem(text, "U20=")) u20 = *v;
                              return 0;
                          });
}

int CZEVAClientIntf::CheckAccountPassword(const char* account, const char* password, bool& valid) {
    return CallFrame::Run(
        *this,
        [&] {
            return ArgumentText(fields::kAccountPassword, {account, password});
        },
        soap_call_ns1__checkAccountPassword, FlagInto(valid));
}

int CZEVAClientIntf::GetUserNameAndWorkListNum(const char* operationCode, const char* accounts,
                                               std::vector<std::string>& list) {
    return CallFrame::Run(
        *this,
        [&] {
            return ArgumentText(fields::kWorkListRequest, {operationCode, accounts});
        },
        soap_call_ns1__getUserNameAndWorkListNum,
        [&](Call& call, auto& answer) {
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
