// Speed and fault reports: each formats its arguments into one template and
// uploads it.

#include "CallFrame_p.h"
#include "Messages_p.h"
#include "ZEVAClientFields.h"
#include "soapframe/Payload.h"
#include "soapframe/TagSearch.h"

using namespace zeva::soapframe;
using namespace zevabs;
namespace msg = zeva::clientmsg;
namespace fields = zeva::clientfields;

int CZEVAClientIntf::SetSpeedInfo(const char* NetTypeId, const char* ResponseRate,
                                  const char* DialupType, const char* BTime, const char* CTime,
                                  const char* FileVolume, const char* ResponseMaxRate,
                                  const char* UserId, const char* BgFlux_upload,
                                  const char* BgFlux_download, const char* PCCount,
                                  const char* Type, const char* Version, const char* Mac,
                                  const char* SerialNo, const char* CpuId, const char* Disksn) {
    const auto payload = [&] {
        return ArgumentText(
            fields::kSpeedInfo,
            {NetTypeId, ResponseRate, DialupType, BTime, CTime, FileVolume, ResponseMaxRate, UserId,
             BgFlux_upload, BgFlux_download, PCCount, Type, Version, Mac, SerialNo, CpuId, Disksn});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__setSpeedInfo,
                          AcceptedElse(msg::kSpeedUploadFailed));
}

int CZEVAClientIntf::SetSpeedTestBGInfo(const char* NetTypeId, const char* ResponseRate,
                                        const char* DialupType, const char* CTime,
                                        const char* UserId, int PCCount, const char* Version) {
    const auto payload = [&] {
        const std::string count = std::to_string(PCCount);
        return ArgumentText(fields::kSpeedTestBGInfo, {NetTypeId, ResponseRate, DialupType, CTime,
                                                       UserId, count.c_str(), Version});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__setSpeedbgInfo,
                          AcceptedElse(msg::kSpeedUploadFailed));
}

int CZEVAClientIntf::SetSpeedSlowInfo(
    const char* DialType, const char* ConnectType, const char* IeAgent, const char* Dns,
    const char* DnsResolveTime, const char* CpuUseRatio, const char* MemoryUseRatio,
    const char* MemoryTotalSize, const char* WirelessIntensity, const char* FluxUseRatio,
    const char* Account, const char* CurrentArea, const char* TestSpeedSite, const char* Speed,
    const char* BandWidth, const char* RouteTraceNode, const char* RouteTraceTarget,
    const char* Processes, const char* ConnNumber, const char* FlowBeforeSpeed,
    const char* FlowAfterSpeed, const char* HttpSpeedTestUrl, const char* HttpSpeedTestUsedTime,
    const char* UpSpeed, const char* DnsInfo, const char* Ssid, const char* DownFlowBeforeSpeed,
    const char* DownFlowAfterSpeed, const char* UpFlowBeforeSpeed, const char* UpFlowAfterSpeed,
    std::string& result) {
    const auto payload = [&] {
        return ArgumentText(fields::kSpeedSlowInfo, {DialType,
                                                     ConnectType,
                                                     IeAgent,
                                                     Dns,
                                                     DnsResolveTime,
                                                     CpuUseRatio,
                                                     MemoryUseRatio,
                                                     MemoryTotalSize,
                                                     WirelessIntensity,
                                                     FluxUseRatio,
                                                     Account,
                                                     CurrentArea,
                                                     TestSpeedSite,
                                                     Speed,
                                                     BandWidth,
                                                     RouteTraceNode,
                                                     RouteTraceTarget,
                                                     Processes,
                                                     ConnNumber,
                                                     FlowBeforeSpeed,
                                                     FlowAfterSpeed,
                                                     HttpSpeedTestUrl,
                                                     HttpSpeedTestUsedTime,
                                                     UpSpeed,
                                                     DnsInfo,
                                                     Ssid,
                                                     DownFlowBeforeSpeed,
                                                     DownFlowAfterSpeed,
                                                     UpFlowBeforeSpeed,
                                                     UpFlowAfterSpeed});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__setWitespeedSlow, TextInto(result));
}

int CZEVAClientIntf::SetErrorITVInfo(const char* DialType, const char* ConnectType,
                                     const char* IeAgent, const char* Dns, const char* CpuUseRatio,
                                     const char* MemoryUseRatio, const char* MemoryTotalSize,
                                     const char* WirelessIntensity, const char* FluxUseRatio,
                                     const char* Account, const char* CurrentArea,
                                     const char* TestSpeedSite, const char* Speed,
                                     const char* BandWidth, const char* RouteTraceNode,
                                     const char* ItvIp, std::string& result) {
    const auto payload = [&] {
        return ArgumentText(fields::kErrorITVInfo,
                            {DialType, ConnectType, IeAgent, Dns, CpuUseRatio, MemoryUseRatio,
                             MemoryTotalSize, WirelessIntensity, FluxUseRatio, Account, CurrentArea,
                             TestSpeedSite, Speed, BandWidth, RouteTraceNode, ItvIp});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__setErrorITV, TextInto(result));
}

int CZEVAClientIntf::SetErrorHistory(const char* ErrorCode, const char* TypeNo,
                                     const char* ReasonNo, const char* UserId, const char* CTime,
                                     bool IsSucceed, const char* CpeName, bool IsExactError,
                                     std::string& result) {
    const auto payload = [&] {
        return ArgumentText(fields::kErrorHistory,
                            {ErrorCode, TypeNo, ReasonNo, UserId, CTime, IsSucceed ? "1" : "0",
                             CpeName, IsExactError ? "1" : "0"});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__setErrorHistory, TextInto(result));
}

int CZEVAClientIntf::UpFinish(const char* WorkListNum, const char* Speed, const char* DialType,
                              const char* ConnectType, const char* CpuType,
                              const char* MemoryTotalSize, const char* WirelessIntensity,
                              const char* CpeName, const char* BequeathalProblems,
                              const char* UserId, const char* PassWd, const char* ErrorId,
                              const char* OverTimeId, const char* Mark, const char* UserName,
                              const char* Phone, const char* Account, const char* ClientId,
                              const char* Mac, const char* PCCount, const char* Version,
                              S_UPFINISHOUT& out) {
    const auto payload = [&] {
        return ArgumentText(fields::kUpFinish, {WorkListNum,
                                                Speed,
                                                DialType,
                                                ConnectType,
                                                CpuType,
                                                MemoryTotalSize,
                                                WirelessIntensity,
                                                CpeName,
                                                BequeathalProblems,
                                                UserId,
                                                PassWd,
                                                ErrorId,
                                                OverTimeId,
                                                Mark,
                                                UserName,
                                                Phone,
                                                Account,
                                                ClientId,
                                                Mac,
                                                PCCount,
                                                Version});
    };
    return CallFrame::Run(*this, payload, soap_call_ns1__upFinish, [&](Call& call, auto& answer) {
        if (!answer.out || !*answer.out) return call.Fail(msg::kBadAnswer);
        const std::string text = call.Answer(answer.out);
        std::string result;
        _FindString(text.c_str(), "<Result>", "</Result>", result);
        out.Result = AtoiPrefix(result) != 0;
        _FindString(text.c_str(), "<ResultDesc>", "</ResultDesc>", out.ResultDesc);
        return 0;
    });
}
