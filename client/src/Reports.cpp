// Speed and fault reports: each formats its arguments into one template and
// uploads it.

#include "CallFrame_p.h"
#include "Messages_p.h"
#include "soapframe/Payload.h"
#include "soapframe/TagSearch.h"

using namespace zeva::soapframe;
using namespace zevabs;
namespace msg = zeva::clientmsg;

namespace {

// Separators between adjacent tags of the report templates.
constexpr char kNineTabsTwoSpaces[] = "\t\t\t\t\t\t\t\t\t  ";
constexpr char kTwoTabs[] = "\t\t";
constexpr char kNone[] = "";

}  // namespace

int CZEVAClientIntf::SetSpeedInfo(const char* NetTypeId, const char* ResponseRate,
                                  const char* DialupType, const char* BTime, const char* CTime,
                                  const char* FileVolume, const char* ResponseMaxRate,
                                  const char* UserId, const char* BgFlux_upload,
                                  const char* BgFlux_download, const char* PCCount,
                                  const char* Type, const char* Version, const char* Mac,
                                  const char* SerialNo, const char* CpuId, const char* Disksn) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(SeparatedRecord("Speed",
                                                 {{"NetTypeId", OrEmpty(NetTypeId)},
                                                  {"ResponseRate", OrEmpty(ResponseRate)},
                                                  {"DialupType", OrEmpty(DialupType)},
                                                  {"BTime", OrEmpty(BTime)},
                                                  {"CTime", OrEmpty(CTime)},
                                                  {"FileVolume", OrEmpty(FileVolume)},
                                                  {"ResponseMaxRate", OrEmpty(ResponseMaxRate)},
                                                  {"UserId", OrEmpty(UserId)},
                                                  {"BgFlux_upload", OrEmpty(BgFlux_upload)},
                                                  {"BgFlux_download", OrEmpty(BgFlux_download)},
                                                  {"PCCount", OrEmpty(PCCount)},
                                                  {"Type", OrEmpty(Type)},
                                                  {"Version", OrEmpty(Version)},
                                                  {"Mac", OrEmpty(Mac)},
                                                  {"SerialNo", OrEmpty(SerialNo)},
                                                  {"CpuId", OrEmpty(CpuId)},
                                                  {"Disksn", OrEmpty(Disksn)}},
                                                 kNineTabsTwoSpaces));
        ns1__setSpeedInfoResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setSpeedInfo(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kSpeedUploadFailed);
        return 0;
    });
}

int CZEVAClientIntf::SetSpeedTestBGInfo(const char* NetTypeId, const char* ResponseRate,
                                        const char* DialupType, const char* CTime,
                                        const char* UserId, int PCCount, const char* Version) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        const std::string count = std::to_string(PCCount);
        char* in0 = call.Request(SeparatedRecord("Speed",
                                                 {{"NetTypeId", OrEmpty(NetTypeId)},
                                                  {"ResponseRate", OrEmpty(ResponseRate)},
                                                  {"DialupType", OrEmpty(DialupType)},
                                                  {"CTime", OrEmpty(CTime)},
                                                  {"UserId", OrEmpty(UserId)},
                                                  {"PCCount", count},
                                                  {"Version", OrEmpty(Version)}},
                                                 kTwoTabs));
        ns1__setSpeedbgInfoResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setSpeedbgInfo(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kSpeedUploadFailed);
        return 0;
    });
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
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 =
            call.Request(SeparatedRecord("WitespeedSlow",
                                         {{"DialType", OrEmpty(DialType)},
                                          {"ConnectType", OrEmpty(ConnectType)},
                                          {"IeAgent", OrEmpty(IeAgent)},
                                          {"Dns", OrEmpty(Dns)},
                                          {"DnsResolveTime", OrEmpty(DnsResolveTime)},
                                          {"CpuUseRatio", OrEmpty(CpuUseRatio)},
                                          {"MemoryUseRatio", OrEmpty(MemoryUseRatio)},
                                          {"MemoryTotalSize", OrEmpty(MemoryTotalSize)},
                                          {"WirelessIntensity", OrEmpty(WirelessIntensity)},
                                          {"FluxUseRatio", OrEmpty(FluxUseRatio)},
                                          {"RouteTraceNode", OrEmpty(RouteTraceNode)},
                                          {"RouteTraceTarget", OrEmpty(RouteTraceTarget)},
                                          {"Account", OrEmpty(Account)},
                                          {"CurrentArea", OrEmpty(CurrentArea)},
                                          {"TestSpeedSite", OrEmpty(TestSpeedSite)},
                                          {"Speed", OrEmpty(Speed)},
                                          {"BandWidth", OrEmpty(BandWidth)},
                                          {"Processes", OrEmpty(Processes)},
                                          {"ConnNumber", OrEmpty(ConnNumber)},
                                          {"FlowBeforeSpeed", OrEmpty(FlowBeforeSpeed)},
                                          {"FlowAfterSpeed", OrEmpty(FlowAfterSpeed)},
                                          {"HttpSpeedTestUrl", OrEmpty(HttpSpeedTestUrl)},
                                          {"HttpSpeedTestUsedTime", OrEmpty(HttpSpeedTestUsedTime)},
                                          {"UpSpeed", OrEmpty(UpSpeed)},
                                          {"DnsInfo", OrEmpty(DnsInfo)},
                                          {"Ssid", OrEmpty(Ssid)},
                                          {"DownFlowBeforeSpeed", OrEmpty(DownFlowBeforeSpeed)},
                                          {"DownFlowAfterSpeed", OrEmpty(DownFlowAfterSpeed)},
                                          {"UpFlowBeforeSpeed", OrEmpty(UpFlowBeforeSpeed)},
                                          {"UpFlowAfterSpeed", OrEmpty(UpFlowAfterSpeed)}},
                                         kNineTabsTwoSpaces));
        ns1__setWitespeedSlowResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setWitespeedSlow(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        return call.AnswerText(answer.out, result);
    });
}

int CZEVAClientIntf::SetErrorITVInfo(const char* DialType, const char* ConnectType,
                                     const char* IeAgent, const char* Dns, const char* CpuUseRatio,
                                     const char* MemoryUseRatio, const char* MemoryTotalSize,
                                     const char* WirelessIntensity, const char* FluxUseRatio,
                                     const char* Account, const char* CurrentArea,
                                     const char* TestSpeedSite, const char* Speed,
                                     const char* BandWidth, const char* RouteTraceNode,
                                     const char* ItvIp, std::string& result) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(SeparatedRecord("ItvInfo",
                                                 {{"DialType", OrEmpty(DialType)},
                                                  {"ConnectType", OrEmpty(ConnectType)},
                                                  {"IeAgent", OrEmpty(IeAgent)},
                                                  {"Dns", OrEmpty(Dns)},
                                                  {"CpuUseRatio", OrEmpty(CpuUseRatio)},
                                                  {"MemoryUseRatio", OrEmpty(MemoryUseRatio)},
                                                  {"MemoryTotalSize", OrEmpty(MemoryTotalSize)},
                                                  {"WirelessIntensity", OrEmpty(WirelessIntensity)},
                                                  {"FluxUseRatio", OrEmpty(FluxUseRatio)},
                                                  {"RouteTraceNode", OrEmpty(RouteTraceNode)},
                                                  {"Account", OrEmpty(Account)},
                                                  {"CurrentArea", OrEmpty(CurrentArea)},
                                                  {"TestSpeedSite", OrEmpty(TestSpeedSite)},
                                                  {"Speed", OrEmpty(Speed)},
                                                  {"BandWidth", OrEmpty(BandWidth)},
                                                  {"ItvIp", OrEmpty(ItvIp)}},
                                                 kNone));
        ns1__setErrorITVResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setErrorITV(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        return call.AnswerText(answer.out, result);
    });
}

int CZEVAClientIntf::SetErrorHistory(const char* ErrorCode, const char* TypeNo,
                                     const char* ReasonNo, const char* UserId, const char* CTime,
                                     bool IsSucceed, const char* CpeName, bool IsExactError,
                                     std::string& result) {
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 = call.Request(SeparatedRecord("ErrorHistory",
                                                 {{"ErrorCode", OrEmpty(ErrorCode)},
                                                  {"TypeNo", OrEmpty(TypeNo)},
                                                  {"ReasonNo", OrEmpty(ReasonNo)},
                                                  {"UserId", OrEmpty(UserId)},
                                                  {"CTime", OrEmpty(CTime)},
                                                  {"IsSucceed", IsSucceed ? "1" : "0"},
                                                  {"CpeName", OrEmpty(CpeName)},
                                                  {"IsExactError", IsExactError ? "1" : "0"}},
                                                 kNone));
        ns1__setErrorHistoryResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setErrorHistory(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        return call.AnswerText(answer.out, result);
    });
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
    return CallFrame::Guarded(*this, [&] {
        CallFrame call(*this);
        char* in0 =
            call.Request(SeparatedRecord("UpFinish",
                                         {{"DialType", OrEmpty(DialType)},
                                          {"ConnectType", OrEmpty(ConnectType)},
                                          {"CpuType", OrEmpty(CpuType)},
                                          {"MemoryTotalSize", OrEmpty(MemoryTotalSize)},
                                          {"WirelessIntensity", OrEmpty(WirelessIntensity)},
                                          {"Speed", OrEmpty(Speed)},
                                          {"CpeName", OrEmpty(CpeName)},
                                          {"WorkListNum", OrEmpty(WorkListNum)},
                                          {"BequeathalProblems", OrEmpty(BequeathalProblems)},
                                          {"Account", OrEmpty(Account)},
                                          {"UserId", OrEmpty(UserId)},
                                          {"PassWd", OrEmpty(PassWd)},
                                          {"ErrorId", OrEmpty(ErrorId)},
                                          {"OverTimeId", OrEmpty(OverTimeId)},
                                          {"Mark", OrEmpty(Mark)},
                                          {"UserName", OrEmpty(UserName)},
                                          {"Phone", OrEmpty(Phone)},
                                          {"ClientId", OrEmpty(ClientId)},
                                          {"Mac", OrEmpty(Mac)},
                                          {"PCCount", OrEmpty(PCCount)},
                                          {"Version", OrEmpty(Version)}},
                                         kTwoTabs));
        ns1__upFinishResponse answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__upFinish(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.ConnectFailed();
        if (!answer.out || !*answer.out) return call.Fail(msg::kBadAnswer);
        const std::string text = call.Answer(answer.out);
        std::string result;
        _FindString(text.c_str(), "<Result>", "</Result>", result);
        out.Result = AtoiPrefix(result) != 0;
        _FindString(text.c_str(), "<ResultDesc>", "</ResultDesc>", out.ResultDesc);
        return 0;
    });
}
