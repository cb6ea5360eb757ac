// Usage statistics: installation record, VPDN dial-up counts, function use.

#include "CallFrame_p.h"
#include "Messages_p.h"
#include "ZEVAClientFields.h"
#include "soapframe/Payload.h"

using namespace zeva::soapframe;
using namespace zevabs;
namespace msg = zeva::clientmsg;
namespace fields = zeva::clientfields;

namespace {

// The service reads the counts as signed numbers; large ones wrap as they always have.
std::string AsSigned(unsigned int count) {
    return std::to_string(static_cast<int>(count));
}

}  // namespace

int CZEVAClientIntf::SetUseInfo(S_UseInfo& useInfo) {
    return CallFrame::Run(
        *this, [&] { return RecordText(fields::kUseInfo, useInfo); }, soap_call_ns1__setUseInfo,
        AcceptedElse(msg::kUseInfoFailed));
}

int CZEVAClientIntf::SetVPDNUsage(unsigned int successTimes, unsigned int unsuccessTimes) {
    const auto payload = [&] {
        return ArgumentText(fields::kVpdnUsage,
                            {AsSigned(successTimes).c_str(), AsSigned(unsuccessTimes).c_str()});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__setVPDNUsage,
                          AcceptedElse(msg::kVpdnUsageFailed));
}

int CZEVAClientIntf::SetClientFunctionUsage(const char* tag, unsigned int times) {
    const auto payload = [&] {
        return ArgumentText(fields::kFunctionUsage, {tag, AsSigned(times).c_str()});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__setClientFunctionUsage,
                          AcceptedElse(msg::kFunctionUsageFailed));
}
