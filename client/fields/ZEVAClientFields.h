#pragma once
// The element names of the back-office service's payloads and answer
// records, each written once: the library builds and parses with these
// tables, zeva-client takes its options and prints its results from them,
// and the tests read them.

#include <string_view>

#include "ZEVAClientIntf.h"
#include "soapframe/Fields.h"

namespace zeva::clientfields {

using soapframe::ArgumentPayload;
using soapframe::Field;
using soapframe::RecordPayload;

// Separators between adjacent tags of the templates.
inline constexpr std::string_view kNineTabsTwoSpaces = "\t\t\t\t\t\t\t\t\t  ";
inline constexpr std::string_view kTenTabsTwoSpaces = "\t\t\t\t\t\t\t\t\t\t  ";
inline constexpr std::string_view kTwoTabs = "\t\t";

// --- Reports filled from an operation's arguments ---------------------------

inline constexpr std::string_view kSpeedInfoElements[] = {
    "NetTypeId",       "ResponseRate", "DialupType",    "BTime",           "CTime",   "FileVolume",
    "ResponseMaxRate", "UserId",       "BgFlux_upload", "BgFlux_download", "PCCount", "Type",
    "Version",         "Mac",          "SerialNo",      "CpuId",           "Disksn"};
inline constexpr ArgumentPayload kSpeedInfo{"Speed", kNineTabsTwoSpaces, kSpeedInfoElements};

// PCCount is a number the caller passes as int.
inline constexpr std::string_view kSpeedTestBGInfoElements[] = {
    "NetTypeId", "ResponseRate", "DialupType", "CTime", "UserId", "PCCount", "Version"};
inline constexpr ArgumentPayload kSpeedTestBGInfo{"Speed", kTwoTabs, kSpeedTestBGInfoElements};

inline constexpr std::string_view kSpeedSlowInfoElements[] = {"DialType",
                                                              "ConnectType",
                                                              "IeAgent",
                                                              "Dns",
                                                              "DnsResolveTime",
                                                              "CpuUseRatio",
                                                              "MemoryUseRatio",
                                                              "MemoryTotalSize",
                                                              "WirelessIntensity",
                                                              "FluxUseRatio",
                                                              "RouteTraceNode",
                                                              "RouteTraceTarget",
                                                              "Account",
                                                              "CurrentArea",
                                                              "TestSpeedSite",
                                                              "Speed",
                                                              "BandWidth",
                                                              "Processes",
                                                              "ConnNumber",
                                                              "FlowBeforeSpeed",
                                                              "FlowAfterSpeed",
                                                              "HttpSpeedTestUrl",
                                                              "HttpSpeedTestUsedTime",
                                                              "UpSpeed",
                                                              "DnsInfo",
                                                              "Ssid",
                                                              "DownFlowBeforeSpeed",
                                                              "DownFlowAfterSpeed",
                                                              "UpFlowBeforeSpeed",
                                                              "UpFlowAfterSpeed"};
inline constexpr std::string_view kSpeedSlowInfoArguments[] = {"DialType",
                                                               "ConnectType",
                                                               "IeAgent",
                                                               "Dns",
                                                               "DnsResolveTime",
                                                               "CpuUseRatio",
                                                               "MemoryUseRatio",
                                                               "MemoryTotalSize",
                                                               "WirelessIntensity",
                                                               "FluxUseRatio",
                                                               "Account",
                                                               "CurrentArea",
                                                               "TestSpeedSite",
                                                               "Speed",
                                                               "BandWidth",
                                                               "RouteTraceNode",
                                                               "RouteTraceTarget",
                                                               "Processes",
                                                               "ConnNumber",
                                                               "FlowBeforeSpeed",
                                                               "FlowAfterSpeed",
                                                               "HttpSpeedTestUrl",
                                                               "HttpSpeedTestUsedTime",
                                                               "UpSpeed",
                                                               "DnsInfo",
                                                               "Ssid",
                                                               "DownFlowBeforeSpeed",
                                                               "DownFlowAfterSpeed",
                                                               "UpFlowBeforeSpeed",
                                                               "UpFlowAfterSpeed"};
inline constexpr ArgumentPayload kSpeedSlowInfo{"WitespeedSlow", kNineTabsTwoSpaces,
                                                kSpeedSlowInfoElements, kSpeedSlowInfoArguments};

inline constexpr std::string_view kErrorITVInfoElements[] = {
    "DialType",      "ConnectType",    "IeAgent",         "Dns",
    "CpuUseRatio",   "MemoryUseRatio", "MemoryTotalSize", "WirelessIntensity",
    "FluxUseRatio",  "RouteTraceNode", "Account",         "CurrentArea",
    "TestSpeedSite", "Speed",          "BandWidth",       "ItvIp"};
inline constexpr std::string_view kErrorITVInfoArguments[] = {
    "DialType",     "ConnectType",    "IeAgent",         "Dns",
    "CpuUseRatio",  "MemoryUseRatio", "MemoryTotalSize", "WirelessIntensity",
    "FluxUseRatio", "Account",        "CurrentArea",     "TestSpeedSite",
    "Speed",        "BandWidth",      "RouteTraceNode",  "ItvIp"};
inline constexpr ArgumentPayload kErrorITVInfo{"ItvInfo", "", kErrorITVInfoElements,
                                               kErrorITVInfoArguments};

// IsSucceed and IsExactError are flags the caller passes as bool.
inline constexpr std::string_view kErrorHistoryElements[] = {
    "ErrorCode", "TypeNo", "ReasonNo", "UserId", "CTime", "IsSucceed", "CpeName", "IsExactError"};
inline constexpr ArgumentPayload kErrorHistory{"ErrorHistory", "", kErrorHistoryElements};

inline constexpr std::string_view kUpFinishElements[] = {"DialType",
                                                         "ConnectType",
                                                         "CpuType",
                                                         "MemoryTotalSize",
                                                         "WirelessIntensity",
                                                         "Speed",
                                                         "CpeName",
                                                         "WorkListNum",
                                                         "BequeathalProblems",
                                                         "Account",
                                                         "UserId",
                                                         "PassWd",
                                                         "ErrorId",
                                                         "OverTimeId",
                                                         "Mark",
                                                         "UserName",
                                                         "Phone",
                                                         "ClientId",
                                                         "Mac",
                                                         "PCCount",
                                                         "Version"};
inline constexpr std::string_view kUpFinishArguments[] = {"WorkListNum",
                                                          "Speed",
                                                          "DialType",
                                                          "ConnectType",
                                                          "CpuType",
                                                          "MemoryTotalSize",
                                                          "WirelessIntensity",
                                                          "CpeName",
                                                          "BequeathalProblems",
                                                          "UserId",
                                                          "PassWd",
                                                          "ErrorId",
                                                          "OverTimeId",
                                                          "Mark",
                                                          "UserName",
                                                          "Phone",
                                                          "Account",
                                                          "ClientId",
                                                          "Mac",
                                                          "PCCount",
                                                          "Version"};
inline constexpr ArgumentPayload kUpFinish{"UpFinish", kTwoTabs, kUpFinishElements,
                                           kUpFinishArguments};

inline constexpr std::string_view k691IndexElements[] = {"ErrorCode", "TypeNo", "ReasonNo",
                                                         "UserId", "CTime"};
inline constexpr ArgumentPayload k691Index{"ErrorInfo", "", k691IndexElements};

inline constexpr std::string_view kAccountPasswordElements[] = {"Account", "Password"};
inline constexpr ArgumentPayload kAccountPassword{"AccountPasswordInfo", "",
                                                  kAccountPasswordElements};

// LastId is a number the caller passes as int.
inline constexpr std::string_view kInfoPushElements[] = {"LastId", "Account"};
inline constexpr ArgumentPayload kInfoPush{"Infos", "", kInfoPushElements};

inline constexpr std::string_view kFeeInfoPushElements[] = {"Account"};
inline constexpr ArgumentPayload kFeeInfoPush{"Infos", "", kFeeInfoPushElements};

// The counts are numbers the caller passes as unsigned int.
inline constexpr std::string_view kVpdnUsageElements[] = {"SuccessTimes", "UnSuccessTimes"};
inline constexpr ArgumentPayload kVpdnUsage{"Vpdn", "", kVpdnUsageElements};

inline constexpr std::string_view kFunctionUsageElements[] = {"Tag", "Times"};
inline constexpr ArgumentPayload kFunctionUsage{"Function", "", kFunctionUsageElements};

inline constexpr std::string_view kWorkListRequestElements[] = {"operationCode", "accounts"};
inline constexpr ArgumentPayload kWorkListRequest{"QOLT", kTwoTabs, kWorkListRequestElements};

// --- Records sent whole -------------------------------------------------------

inline constexpr Field<S_HttpInfo> kHttpInfoFields[] = {
    {"UserId", &S_HttpInfo::UserId},
    {"NetTypeId", &S_HttpInfo::NetTypeId},
    {"Url", &S_HttpInfo::Url},
    {"DNSIp", &S_HttpInfo::DNSIp},
    {"HTTPServiceability", &S_HttpInfo::HTTPServiceability},
    {"DNSTimeDelay", &S_HttpInfo::DNSTimeDelay},
    {"TCPTimeDelay", &S_HttpInfo::TCPTimeDelay},
    {"HTTPTimeDelay", &S_HttpInfo::HTTPTimeDelay},
    {"Result", &S_HttpInfo::Result},
    {"Type", &S_HttpInfo::Type},
    {"Version", &S_HttpInfo::Version}};
// One web-access test record; the records stand one after another in <QOLT>.
inline constexpr RecordPayload<S_HttpInfo> kHttpInfo{"Http", kTenTabsTwoSpaces, kHttpInfoFields};

inline constexpr Field<S_UseInfo> kUseInfoFields[] = {
    {"SerialNo", &S_UseInfo::SerialNo}, {"UserId", &S_UseInfo::UserId},
    {"Version", &S_UseInfo::Version},   {"Mac", &S_UseInfo::Mac},
    {"CpuId", &S_UseInfo::CpuId},       {"Disksn", &S_UseInfo::Disksn}};
inline constexpr RecordPayload<S_UseInfo> kUseInfo{"UseInfo", kNineTabsTwoSpaces, kUseInfoFields};

// --- Answer records -------------------------------------------------------------

inline constexpr Field<S_NetType> kNetTypeFields[] = {{"Id", &S_NetType::Id},
                                                      {"BandType", &S_NetType::BandType},
                                                      {"BandRate", &S_NetType::BandRate},
                                                      {"MaxValue", &S_NetType::MaxValue},
                                                      {"Value", &S_NetType::Value},
                                                      {"Description", &S_NetType::Description}};

// S_SpeedConfig and S_VideoConfig.
template <class Config>
inline constexpr Field<Config> kConfigFields[] = {
    {"Id", &Config::Id},      {"Title", &Config::Title}, {"Url", &Config::Url},
    {"Type", &Config::Type},  {"City", &Config::City},   {"Description", &Config::Description},
    {"CTime", &Config::CTime}};

// S_InfoPush and S_FeeInfoPush; their numeric Id is read apart.
template <class Push>
inline constexpr Field<Push> kPushTextFields[] = {
    {"Title", &Push::Title}, {"SummaryInfo", &Push::SummaryInfo}, {"InfoUrl", &Push::InfoUrl}};

inline constexpr Field<S_FeedBackInfo> kFeedBackFields[] = {{"title", &S_FeedBackInfo::title},
                                                            {"url", &S_FeedBackInfo::url},
                                                            {"desc", &S_FeedBackInfo::desc}};

inline constexpr Field<S_Dns> kDnsFields[] = {{"Dns", &S_Dns::Dns}, {"Dnsbak", &S_Dns::Dnsbak}};

}  // namespace zeva::clientfields
