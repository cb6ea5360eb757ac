// Usage statistics: installation record, VPDN dial-up counts, function use.

#include "CallFrame_p.h"
#include "Messages_p.h"
#include "soapframe/Payload.h"

using namespace zeva::soapframe;
using namespace zevabs;
namespace msg = zeva::clientmsg;

namespace {

// The service reads the counts as signed numbers; large ones wrap as they always have.
int AsSigned(unsigned int count) {
    return static_cast<int>(count);
}

}  // namespace

int CZEVAClientIntf::SetUseInfo(S_UseInfo& useInfo) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(SeparatedRecord("UseInfo",
                                                 {{"SerialNo", useInfo.SerialNo},
                                                  {"UserId", useInfo.UserId},
                                                  {"Version", useInfo.Version},
                                                  {"Mac", useInfo.Mac},
                                                  {"CpuId", useInfo.CpuId},
                                                  {"Disksn", useInfo.Disksn}},
                                                 "\t\t\t\t\t\t\t\t\t  "));
        ns1__setUseInfoResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setUseInfo(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kUseInfoFailed);
        return 0;
    });
}

int CZEVAClientIntf::SetVPDNUsage(unsigned int successTimes, unsigned int unsuccessTimes) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(FormatPayload(
            "<Vpdn><SuccessTimes>%d</SuccessTimes><UnSuccessTimes>%d</UnSuccessTimes></Vpdn>",
            AsSigned(successTimes), AsSigned(unsuccessTimes)));
        ns1__setVPDNUsageResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setVPDNUsage(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kVpdnUsageFailed);
        return 0;
    });
}

int CZEVAClientIntf::SetClientFunctionUsage(const char* tag, unsigned int times) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 =
            call.Request(FormatPayload("<Function><Tag>%s</Tag><Times>%d</Times></Function>",
                                       EscapeMarkup(OrEmpty(tag)).c_str(), AsSigned(times)));
        ns1__setClientFunctionUsageResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setClientFunctionUsage(ctx, endpoint, kSoapAction, in0,
                                                             answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kFunctionUsageFailed);
        return 0;
    });
}
