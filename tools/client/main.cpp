// zeva-client: calls the back-office web service (or, with --online, the
// online-service web service) through the client libraries, for support staff
// and the demo. Text is UTF-8 on the terminal and the system code page at the
// libraries' interfaces.

#include <strings.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "Json.h"
#include "TerminalText.h"
#include "ZEVAClientIntf.h"
#include "eZEVAClientIntf.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

namespace {

constexpr char kUsage[] =
    "usage: zeva-client [options] OPERATION [ARGS]\n"
    "\n"
    "Calls the back-office web service (or with --online the online-service web\n"
    "service) and prints the result.\n"
    "\n"
    "options:\n"
    "  --service URL          endpoint (default: Config.dat [Server] ServiceURL in the\n"
    "                         application directory; --online needs it given)\n"
    "  --online               call the online-service web service\n"
    "  --timeout S            time-out in seconds (default 5)\n"
    "  --proxy-option N       0 direct (default), 1 Internet Settings proxy, 2 the proxy below\n"
    "  --proxy-host H, --proxy-port P, --proxy-user U, --proxy-password W\n"
    "  --json                 print the result as JSON\n"
    "  --help                 show this text\n"
    "\n"
    "back-office operations (reports take --Element VALUE options named after their\n"
    "elements; elements not given are sent empty):\n"
    "  GetClientIp | GetClientIpAccount | GetCurrentAccount [--cached]\n"
    "  GetAccountStatus ACCOUNT | GetAccountNetType ACCOUNT [--cached]\n"
    "  GetAccountCity ACCOUNT [--cached] | GetDialUpHistoryUrl ACCOUNT\n"
    "  GetChangePasswordUrl ACCOUNT PASSWORD | GetUserBalance ACCOUNT | GetDialUpTimes ACCOUNT\n"
    "  SetHttpInfo --UserId V ... [--next --UserId V ...]   (one record per group)\n"
    "  SetSpeedInfo | SetSpeedTestBGInfo | SetSpeedSlowInfo | SetErrorITVInfo | UpFinish  "
    "--Element V ...\n"
    "  SetErrorHistory --ErrorCode V ... --IsSucceed 0|1 --IsExactError 0|1\n"
    "  GetSpeedConfigList [TEXT] | GetVideoConfigList | GetInfoPush LASTID ACCOUNT\n"
    "  GetFeeInfoPush ACCOUNT | CheckPushFeedback TEXT | GetDns TEXT\n"
    "  Get691Index --ErrorCode V --TypeNo V --ReasonNo V --UserId V --CTime V\n"
    "  GetLastDialUpError ACCOUNT | CheckAccountPassword ACCOUNT PASSWORD\n"
    "  GetUserNameAndWorkListNum OPERATIONCODE ACCOUNTS\n"
    "  SetUseInfo --SerialNo V ... | SetVPDNUsage SUCCESSES FAILURES | SetClientFunctionUsage TAG "
    "TIMES\n"
    "\n"
    "online-service operations (with --online):\n"
    "  GetCurrentAccount | GetUserAttribution ACCOUNT | GetOwnService ACCOUNT | GetServiceList\n"
    "  SetUserOnlineLength USERID ACCOUNT [SECONDS@TIME ...]\n"
    "  SetBugLog --OperatingSystem V ... [--next ...]       (one record per group)\n"
    "\n"
    "--cached reads the value the last server query stored in UserData.dat.\n"
    "exit status: 0 success, 1 the call failed, 2 bad usage\n";

struct UsageError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

std::string A(const std::string& utf8) {
    return zeva::Utf8ToAcp(utf8);
}
std::string U(const std::string& acp) {
    return zeva::AcpToUtf8(acp);
}

using Fields = std::vector<std::pair<std::string, std::string>>;  // UTF-8

// What an operation hands back: named values and, for lists, records.
struct Output {
    Fields fields;
    std::vector<Fields> records;
    bool hasRecords = false;

    void Add(const std::string& name, const std::string& acpValue) {
        fields.emplace_back(name, U(acpValue));
    }
    Fields& NewRecord() {
        hasRecords = true;
        return records.emplace_back();
    }
    static void AddTo(Fields& record, const std::string& name, const std::string& acpValue) {
        record.emplace_back(name, U(acpValue));
    }

    static std::string JsonObject(const Fields& f) {
        std::string s = "{";
        for (std::size_t i = 0; i < f.size(); ++i)
            s += (i ? "," : "") + zeva::tools::JsonString(f[i].first) + ":" +
                 zeva::tools::JsonString(f[i].second);
        return s + "}";
    }
    void Print(bool json) const {
        if (json) {
            std::string s = JsonObject(fields);
            if (hasRecords) {
                s.pop_back();
                s += std::string(fields.empty() ? "" : ",") + "\"records\":[";
                for (std::size_t i = 0; i < records.size(); ++i)
                    s += (i ? "," : "") + JsonObject(records[i]);
                s += "]}";
            }
            std::cout << s << "\n";
            return;
        }
        using zeva::tools::TerminalText;
        for (const auto& [name, value] : fields)
            std::cout << name << ": " << TerminalText(value) << "\n";
        for (std::size_t i = 0; i < records.size(); ++i) {
            std::cout << "-- record " << i + 1 << "\n";
            for (const auto& [name, value] : records[i])
                std::cout << "   " << name << ": " << TerminalText(value) << "\n";
        }
    }
};

// --Element VALUE options of a report, converted to the code page; elements
// not given are null, which the library sends as empty.
class ElementOptions {
public:
    ElementOptions(const std::string& op, const std::vector<std::string>& args,
                   const std::set<std::string>& allowed) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string name = args[i].rfind("--", 0) == 0 ? args[i].substr(2) : "";
            if (!allowed.count(name) || i + 1 >= args.size())
                throw UsageError(op + " takes --Element VALUE options, not " + args[i]);
            values_[name] = A(args[++i]);
        }
    }
    const char* Get(const std::string& name) const {
        auto it = values_.find(name);
        return it == values_.end() ? nullptr : it->second.c_str();
    }
    std::string Text(const std::string& name) const { return Get(name) ? Get(name) : ""; }
    bool Flag(const std::string& name) const {
        const std::string v = Text(name);
        if (v.empty() || v == "0") return false;
        if (v == "1") return true;
        throw UsageError("--" + name + " takes 0 or 1");
    }

private:
    std::map<std::string, std::string> values_;
};

// Groups of --Element VALUE options separated by --next, one record each.
std::vector<ElementOptions> RecordGroups(const std::string& op,
                                         const std::vector<std::string>& args,
                                         const std::set<std::string>& allowed) {
    std::vector<ElementOptions> groups;
    std::vector<std::string> current;
    for (const auto& a : args) {
        if (a == "--next") {
            groups.emplace_back(op, current, allowed);
            current.clear();
        } else {
            current.push_back(a);
        }
    }
    groups.emplace_back(op, current, allowed);
    return groups;
}

unsigned long Number(const std::string& text, unsigned long max, const std::string& what) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoul(text) > max)
        throw UsageError(what + " needs a number from 0 to " + std::to_string(max));
    return std::stoul(text);
}

int SignedNumber(const std::string& text, const std::string& what) {
    const bool negative = !text.empty() && text[0] == '-';
    const long value =
        static_cast<long>(Number(negative ? text.substr(1) : text, 2147483647ul, what));
    return static_cast<int>(negative ? -value : value);
}

std::string ConfiguredServiceUrl() {
    CCryptConfigFile config(zeva::ApplicationPathAcp() + zeva::cfgkeys::kConfigDat, "");
    std::string url;
    config.ReadString(zeva::cfgkeys::kSectionServer, zeva::cfgkeys::kKeyServiceURL, "", url);
    return url;
}

struct Invocation {
    std::string op;
    std::vector<std::string> args;
    bool cached = false;
    bool Is(const char* name) const { return strcasecmp(op.c_str(), name) == 0; }
    void Need(std::size_t n, const char* what) const {
        if (args.size() != n) throw UsageError(op + " needs " + what);
    }
};

void AddNetType(Output& out, const S_NetType& t) {
    out.Add("Id", t.Id);
    out.Add("BandType", t.BandType);
    out.Add("BandRate", t.BandRate);
    out.Add("MaxValue", t.MaxValue);
    out.Add("Value", t.Value);
    out.Add("Description", t.Description);
}

template <class Config>
void AddConfigs(Output& out, const std::vector<Config>& list) {
    for (const auto& c : list) {
        Fields& r = out.NewRecord();
        Output::AddTo(r, "Id", c.Id);
        Output::AddTo(r, "Title", c.Title);
        Output::AddTo(r, "Url", c.Url);
        Output::AddTo(r, "Type", c.Type);
        Output::AddTo(r, "City", c.City);
        Output::AddTo(r, "Description", c.Description);
        Output::AddTo(r, "CTime", c.CTime);
    }
}

template <class Push>
void AddPushes(Output& out, const std::vector<Push>& list) {
    for (const auto& p : list) {
        Fields& r = out.NewRecord();
        Output::AddTo(r, "Id", std::to_string(p.Id));
        Output::AddTo(r, "Title", p.Title);
        Output::AddTo(r, "SummaryInfo", p.SummaryInfo);
        Output::AddTo(r, "InfoUrl", p.InfoUrl);
    }
}

void AddService(Fields& r, const S_Service& s) {
    Output::AddTo(r, "Id", s.Id);
    Output::AddTo(r, "CityNo", s.CityNo);
    Output::AddTo(r, "Title", s.Title);
    Output::AddTo(r, "ServiceUrl", s.ServiceUrl);
    Output::AddTo(r, "UpdateUrl", s.UpdateUrl);
    Output::AddTo(r, "DemoUrl", s.DemoUrl);
    Output::AddTo(r, "Description", s.Description);
}

// The back-office operations; nothing when `inv` names none of them.
std::optional<int> BackOffice(CZEVAClientIntf& client, const Invocation& inv, Output& out) {
    const auto& args = inv.args;
    const std::string& op = inv.op;
    int rc = 0;
    if (inv.Is("GetClientIp")) {
        inv.Need(0, "no arguments");
        std::string ip;
        rc = client.GetClientIp(ip);
        out.Add("ip", ip);
    } else if (inv.Is("GetClientIpAccount")) {
        inv.Need(0, "no arguments");
        std::string ip, account;
        rc = client.GetClientIpAccount(ip, account);
        out.Add("ip", ip);
        out.Add("account", account);
    } else if (inv.Is("GetCurrentAccount")) {
        inv.Need(0, "no arguments besides --cached");
        std::string account;
        rc = client.GetCurrentAccount(account, !inv.cached);
        out.Add("account", account);
    } else if (inv.Is("GetAccountStatus")) {
        inv.Need(1, "ACCOUNT");
        int status = 0;
        rc = client.GetAccountStatus(A(args[0]).c_str(), status);
        out.Add("status", std::to_string(status));
    } else if (inv.Is("GetAccountNetType")) {
        inv.Need(1, "ACCOUNT");
        S_NetType t;
        rc = client.GetAccountNetType(A(args[0]).c_str(), t, !inv.cached);
        AddNetType(out, t);
    } else if (inv.Is("GetAccountCity")) {
        inv.Need(1, "ACCOUNT");
        std::string city;
        rc = client.GetAccountCity(A(args[0]).c_str(), city, !inv.cached);
        out.Add("city", city);
    } else if (inv.Is("GetDialUpHistoryUrl")) {
        inv.Need(1, "ACCOUNT");
        std::string url;
        rc = client.GetDialUpHistoryUrl(A(args[0]).c_str(), url);
        out.Add("url", url);
    } else if (inv.Is("GetChangePasswordUrl")) {
        inv.Need(2, "ACCOUNT PASSWORD");
        std::string url;
        rc = client.GetChangePasswordUrl(A(args[0]).c_str(), A(args[1]).c_str(), url);
        out.Add("url", url);
    } else if (inv.Is("GetUserBalance") || inv.Is("GetDialUpTimes")) {
        inv.Need(1, "ACCOUNT");
        std::string value;
        rc = inv.Is("GetUserBalance") ? client.GetUserBalance(A(args[0]).c_str(), value)
                                      : client.GetDialUpTimes(A(args[0]).c_str(), value);
        out.Add("result", value);
    } else if (inv.Is("SetHttpInfo")) {
        std::vector<S_HttpInfo> records;
        for (const auto& g : RecordGroups(
                 op, args,
                 {"UserId", "NetTypeId", "Url", "DNSIp", "HTTPServiceability", "DNSTimeDelay",
                  "TCPTimeDelay", "HTTPTimeDelay", "Result", "Type", "Version"}))
            records.push_back(
                {g.Text("UserId"), g.Text("NetTypeId"), g.Text("Url"), g.Text("DNSIp"),
                 g.Text("HTTPServiceability"), g.Text("DNSTimeDelay"), g.Text("TCPTimeDelay"),
                 g.Text("HTTPTimeDelay"), g.Text("Result"), g.Text("Type"), g.Text("Version")});
        rc = client.SetHttpInfo(records);
        out.Add("records", std::to_string(records.size()));
        out.Add("stored", rc == 0 ? "true" : "false");
    } else if (inv.Is("SetSpeedInfo")) {
        const ElementOptions f(
            op, args,
            {"NetTypeId", "ResponseRate", "DialupType", "BTime", "CTime", "FileVolume",
             "ResponseMaxRate", "UserId", "BgFlux_upload", "BgFlux_download", "PCCount", "Type",
             "Version", "Mac", "SerialNo", "CpuId", "Disksn"});
        rc = client.SetSpeedInfo(
            f.Get("NetTypeId"), f.Get("ResponseRate"), f.Get("DialupType"), f.Get("BTime"),
            f.Get("CTime"), f.Get("FileVolume"), f.Get("ResponseMaxRate"), f.Get("UserId"),
            f.Get("BgFlux_upload"), f.Get("BgFlux_download"), f.Get("PCCount"), f.Get("Type"),
            f.Get("Version"), f.Get("Mac"), f.Get("SerialNo"), f.Get("CpuId"), f.Get("Disksn"));
        out.Add("stored", rc == 0 ? "true" : "false");
    } else if (inv.Is("SetSpeedTestBGInfo")) {
        const ElementOptions f(
            op, args,
            {"NetTypeId", "ResponseRate", "DialupType", "CTime", "UserId", "PCCount", "Version"});
        const int count = f.Get("PCCount") ? SignedNumber(f.Text("PCCount"), "--PCCount") : 0;
        rc = client.SetSpeedTestBGInfo(f.Get("NetTypeId"), f.Get("ResponseRate"),
                                       f.Get("DialupType"), f.Get("CTime"), f.Get("UserId"), count,
                                       f.Get("Version"));
        out.Add("stored", rc == 0 ? "true" : "false");
    } else if (inv.Is("SetSpeedSlowInfo")) {
        const ElementOptions f(op, args,
                               {"DialType",
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
                                "UpFlowAfterSpeed"});
        std::string result;
        rc = client.SetSpeedSlowInfo(
            f.Get("DialType"), f.Get("ConnectType"), f.Get("IeAgent"), f.Get("Dns"),
            f.Get("DnsResolveTime"), f.Get("CpuUseRatio"), f.Get("MemoryUseRatio"),
            f.Get("MemoryTotalSize"), f.Get("WirelessIntensity"), f.Get("FluxUseRatio"),
            f.Get("Account"), f.Get("CurrentArea"), f.Get("TestSpeedSite"), f.Get("Speed"),
            f.Get("BandWidth"), f.Get("RouteTraceNode"), f.Get("RouteTraceTarget"),
            f.Get("Processes"), f.Get("ConnNumber"), f.Get("FlowBeforeSpeed"),
            f.Get("FlowAfterSpeed"), f.Get("HttpSpeedTestUrl"), f.Get("HttpSpeedTestUsedTime"),
            f.Get("UpSpeed"), f.Get("DnsInfo"), f.Get("Ssid"), f.Get("DownFlowBeforeSpeed"),
            f.Get("DownFlowAfterSpeed"), f.Get("UpFlowBeforeSpeed"), f.Get("UpFlowAfterSpeed"),
            result);
        out.Add("result", result);
    } else if (inv.Is("SetErrorITVInfo")) {
        const ElementOptions f(
            op, args,
            {"DialType", "ConnectType", "IeAgent", "Dns", "CpuUseRatio", "MemoryUseRatio",
             "MemoryTotalSize", "WirelessIntensity", "FluxUseRatio", "Account", "CurrentArea",
             "TestSpeedSite", "Speed", "BandWidth", "RouteTraceNode", "ItvIp"});
        std::string result;
        rc = client.SetErrorITVInfo(f.Get("DialType"), f.Get("ConnectType"), f.Get("IeAgent"),
                                    f.Get("Dns"), f.Get("CpuUseRatio"), f.Get("MemoryUseRatio"),
                                    f.Get("MemoryTotalSize"), f.Get("WirelessIntensity"),
                                    f.Get("FluxUseRatio"), f.Get("Account"), f.Get("CurrentArea"),
                                    f.Get("TestSpeedSite"), f.Get("Speed"), f.Get("BandWidth"),
                                    f.Get("RouteTraceNode"), f.Get("ItvIp"), result);
        out.Add("result", result);
    } else if (inv.Is("SetErrorHistory")) {
        const ElementOptions f(op, args,
                               {"ErrorCode", "TypeNo", "ReasonNo", "UserId", "CTime", "IsSucceed",
                                "CpeName", "IsExactError"});
        std::string result;
        rc = client.SetErrorHistory(f.Get("ErrorCode"), f.Get("TypeNo"), f.Get("ReasonNo"),
                                    f.Get("UserId"), f.Get("CTime"), f.Flag("IsSucceed"),
                                    f.Get("CpeName"), f.Flag("IsExactError"), result);
        out.Add("result", result);
    } else if (inv.Is("UpFinish")) {
        const ElementOptions f(op, args,
                               {"WorkListNum",
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
                                "Version"});
        S_UPFINISHOUT result;
        rc = client.UpFinish(f.Get("WorkListNum"), f.Get("Speed"), f.Get("DialType"),
                             f.Get("ConnectType"), f.Get("CpuType"), f.Get("MemoryTotalSize"),
                             f.Get("WirelessIntensity"), f.Get("CpeName"),
                             f.Get("BequeathalProblems"), f.Get("UserId"), f.Get("PassWd"),
                             f.Get("ErrorId"), f.Get("OverTimeId"), f.Get("Mark"),
                             f.Get("UserName"), f.Get("Phone"), f.Get("Account"), f.Get("ClientId"),
                             f.Get("Mac"), f.Get("PCCount"), f.Get("Version"), result);
        out.Add("Result", result.Result ? "true" : "false");
        out.Add("ResultDesc", result.ResultDesc);
    } else if (inv.Is("GetSpeedConfigList")) {
        if (args.size() > 1) throw UsageError(op + " takes at most one TEXT");
        std::vector<S_SpeedConfig> list;
        rc = client.GetSpeedConfigList(args.empty() ? "" : A(args[0]).c_str(), list);
        AddConfigs(out, list);
    } else if (inv.Is("GetVideoConfigList")) {
        inv.Need(0, "no arguments");
        std::vector<S_VideoConfig> list;
        rc = client.GetVideoConfigList(list);
        AddConfigs(out, list);
    } else if (inv.Is("GetInfoPush")) {
        inv.Need(2, "LASTID ACCOUNT");
        std::vector<S_InfoPush> list;
        rc = client.GetInfoPush(SignedNumber(args[0], "LASTID"), A(args[1]).c_str(), list);
        AddPushes(out, list);
    } else if (inv.Is("GetFeeInfoPush")) {
        inv.Need(1, "ACCOUNT");
        std::vector<S_FeeInfoPush> list;
        rc = client.GetFeeInfoPush(0, A(args[0]).c_str(), list);
        AddPushes(out, list);
    } else if (inv.Is("CheckPushFeedback")) {
        inv.Need(1, "TEXT");
        S_FeedBackInfo info;
        rc = client.CheckPushFeedback(A(args[0]).c_str(), info);
        out.Add("title", info.title);
        out.Add("url", info.url);
        out.Add("desc", info.desc);
    } else if (inv.Is("GetDns")) {
        inv.Need(1, "TEXT");
        S_Dns dns;
        rc = client.GetDns(A(args[0]).c_str(), dns);
        out.Add("Dns", dns.Dns);
        out.Add("Dnsbak", dns.Dnsbak);
    } else if (inv.Is("Get691Index")) {
        const ElementOptions f(op, args, {"ErrorCode", "TypeNo", "ReasonNo", "UserId", "CTime"});
        std::string result;
        rc = client.Get691Index(f.Get("ErrorCode"), f.Get("TypeNo"), f.Get("ReasonNo"),
                                f.Get("UserId"), f.Get("CTime"), result);
        out.Add("result", result);
    } else if (inv.Is("GetLastDialUpError")) {
        inv.Need(1, "ACCOUNT");
        int code = 0;
        std::string u20, u09;
        rc = client.GetLastDialUpError(A(args[0]).c_str(), code, u20, u09);
        out.Add("errorCode", std::to_string(code));
        out.Add("U20", u20);
        out.Add("U09", u09);
    } else if (inv.Is("CheckAccountPassword")) {
        inv.Need(2, "ACCOUNT PASSWORD");
        bool valid = false;
        rc = client.CheckAccountPassword(A(args[0]).c_str(), A(args[1]).c_str(), valid);
        out.Add("valid", valid ? "true" : "false");
    } else if (inv.Is("GetUserNameAndWorkListNum")) {
        inv.Need(2, "OPERATIONCODE ACCOUNTS");
        std::vector<std::string> list;
        rc = client.GetUserNameAndWorkListNum(A(args[0]).c_str(), A(args[1]).c_str(), list);
        for (const auto& n : list) Output::AddTo(out.NewRecord(), "WorkListNum", n);
        out.hasRecords = true;
    } else if (inv.Is("SetUseInfo")) {
        const ElementOptions f(op, args,
                               {"SerialNo", "UserId", "Version", "Mac", "CpuId", "Disksn"});
        S_UseInfo info{f.Text("SerialNo"), f.Text("UserId"), f.Text("Version"),
                       f.Text("Mac"),      f.Text("CpuId"),  f.Text("Disksn")};
        rc = client.SetUseInfo(info);
        out.Add("stored", rc == 0 ? "true" : "false");
    } else if (inv.Is("SetVPDNUsage")) {
        inv.Need(2, "SUCCESSES FAILURES");
        rc = client.SetVPDNUsage(
            static_cast<unsigned int>(Number(args[0], 4294967295ul, "SUCCESSES")),
            static_cast<unsigned int>(Number(args[1], 4294967295ul, "FAILURES")));
        out.Add("stored", rc == 0 ? "true" : "false");
    } else if (inv.Is("SetClientFunctionUsage")) {
        inv.Need(2, "TAG TIMES");
        rc = client.SetClientFunctionUsage(
            A(args[0]).c_str(), static_cast<unsigned int>(Number(args[1], 4294967295ul, "TIMES")));
        out.Add("stored", rc == 0 ? "true" : "false");
    } else {
        return std::nullopt;
    }
    return rc;
}

// The online-service operations; nothing when `inv` names none of them.
std::optional<int> Online(CeZEVAClientIntf& client, const Invocation& inv, Output& out) {
    const auto& args = inv.args;
    int rc = 0;
    if (inv.Is("GetCurrentAccount")) {
        inv.Need(0, "no arguments");
        std::string account;
        rc = client.GetCurrentAccount(account);
        out.Add("account", account);
    } else if (inv.Is("GetUserAttribution")) {
        inv.Need(1, "ACCOUNT");
        std::string attribution;
        rc = client.GetUserAttribution(A(args[0]).c_str(), attribution);
        out.Add("attribution", attribution);
    } else if (inv.Is("GetOwnService")) {
        inv.Need(1, "ACCOUNT");
        S_Service service;
        bool own = false;
        rc = client.GetOwnService(A(args[0]).c_str(), service, own);
        out.Add("own", own ? "true" : "false");
        AddService(out.fields, service);
    } else if (inv.Is("GetServiceList")) {
        inv.Need(0, "no arguments");
        std::vector<S_Service> list;
        rc = client.GetServiceList(list);
        for (const auto& s : list) AddService(out.NewRecord(), s);
        out.hasRecords = true;
    } else if (inv.Is("SetUserOnlineLength")) {
        if (args.size() < 2) throw UsageError(inv.op + " needs USERID ACCOUNT [SECONDS@TIME ...]");
        std::vector<S_OnlineInfo> list;
        for (std::size_t i = 2; i < args.size(); ++i) {
            const std::size_t at = args[i].find('@');
            if (at == std::string::npos)
                throw UsageError("online periods are written SECONDS@TIME, not " + args[i]);
            list.push_back(
                {SignedNumber(args[i].substr(0, at), "SECONDS"), A(args[i].substr(at + 1))});
        }
        bool accepted = false;
        rc = client.SetUserOnlineLength(A(args[0]).c_str(), A(args[1]).c_str(), list, accepted);
        out.Add("accepted", accepted ? "true" : "false");
    } else if (inv.Is("SetBugLog")) {
        std::vector<S_BugInfo> bugs;
        for (const auto& f :
             RecordGroups(inv.op, args,
                          {"OperatingSystem", "Cpu", "Memory", "Version", "ModuleName", "ModuleVer",
                           "FileName", "FunctionName", "LineNo", "Description", "Type", "Ctime"}))
            bugs.push_back({f.Text("OperatingSystem"), f.Text("Cpu"), f.Text("Memory"),
                            f.Text("Version"), f.Text("ModuleName"), f.Text("ModuleVer"),
                            f.Text("FileName"), f.Text("FunctionName"), f.Text("LineNo"),
                            f.Text("Description"), f.Text("Type"), f.Text("Ctime")});
        bool accepted = false;
        rc = client.SetBugLog(bugs, accepted);
        out.Add("accepted", accepted ? "true" : "false");
    } else {
        return std::nullopt;
    }
    return rc;
}

// The libraries call http and https endpoints only.
bool IsWebUrl(const std::string& url) {
    return strncasecmp(url.c_str(), "http://", 7) == 0 ||
           strncasecmp(url.c_str(), "https://", 8) == 0;
}

int Usage(const std::string& reason) {
    std::cerr << "zeva-client: " << reason << " (see --help)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::string service;
        bool haveService = false, online = false, json = false;
        unsigned long timeout = 5, proxyOption = 0, proxyPort = 0;
        std::string proxyHost, proxyUser, proxyPassword;
        std::vector<std::string> rest;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            auto value = [&](const char* what) -> std::string {
                if (i + 1 >= argc) throw UsageError(arg + " needs " + what);
                return argv[++i];
            };
            if (!rest.empty()) {
                rest.push_back(arg);
            } else if (arg == "--help" || arg == "-h") {
                std::cout << kUsage;
                return 0;
            } else if (arg == "--service") {
                service = value("a URL");
                haveService = true;
            } else if (arg == "--online") {
                online = true;
            } else if (arg == "--timeout") {
                timeout = Number(value("seconds"), 3600, "--timeout");
                if (timeout == 0) throw UsageError("--timeout needs 1 to 3600 seconds");
            } else if (arg == "--proxy-option") {
                proxyOption = Number(value("0, 1 or 2"), 2, "--proxy-option");
            } else if (arg == "--proxy-host") {
                proxyHost = value("a host");
            } else if (arg == "--proxy-port") {
                proxyPort = Number(value("a port"), 65535, "--proxy-port");
            } else if (arg == "--proxy-user") {
                proxyUser = value("a user name");
            } else if (arg == "--proxy-password") {
                proxyPassword = value("a password");
            } else if (arg == "--json") {
                json = true;
            } else if (arg.rfind("--", 0) == 0) {
                return Usage("unknown option " + arg);
            } else {
                rest.push_back(arg);
            }
        }
        if (rest.empty()) return Usage("no operation given");
        Invocation inv{rest[0], std::vector<std::string>(rest.begin() + 1, rest.end())};
        std::erase_if(inv.args, [&](const std::string& a) {
            return a == "--cached" ? (inv.cached = true) : false;
        });
        if (inv.cached && (online || !(inv.Is("GetCurrentAccount") || inv.Is("GetAccountNetType") ||
                                       inv.Is("GetAccountCity"))))
            return Usage(
                "--cached applies to GetCurrentAccount, GetAccountNetType and GetAccountCity only");
        const bool local = inv.cached || inv.Is("GetUserBalance") || inv.Is("GetDialUpTimes");
        if (!haveService && !online) service = U(ConfiguredServiceUrl());
        if (service.empty() && !local)
            return Usage(online ? "--online needs --service"
                                : "no --service given and no ServiceURL in Config.dat");
        if (!local && !IsWebUrl(service))
            return Usage(std::string(haveService ? "--service" : "ServiceURL in Config.dat") +
                         " must be an http:// or https:// URL, not '" +
                         zeva::tools::TerminalText(service) + "'");

        const short port = static_cast<short>(static_cast<unsigned short>(proxyPort));
        Output out;
        std::optional<int> rc;
        std::string error;
        if (online) {
            CeZEVAClientIntf client;
            client.Initialize(A(service).c_str(), static_cast<unsigned int>(timeout),
                              static_cast<EBCI_PROXYOPTION>(proxyOption), A(proxyHost).c_str(),
                              port, A(proxyUser).c_str(), A(proxyPassword).c_str());
            rc = Online(client, inv, out);
            error = client.GetLastErrorInfo();
        } else {
            CZEVAClientIntf client;
            client.Initialize(A(service).c_str(), static_cast<unsigned int>(timeout),
                              static_cast<BCI_PROXYOPTION>(proxyOption), A(proxyHost).c_str(), port,
                              A(proxyUser).c_str(), A(proxyPassword).c_str());
            rc = BackOffice(client, inv, out);
            error = client.GetLastErrorInfo();
        }
        if (!rc)
            return Usage("unknown operation " + inv.op + (online ? " of the online service" : ""));
        if (*rc != 0) {
            std::cerr << "zeva-client: " << zeva::tools::TerminalText(U(error)) << "\n";
            return 1;
        }
        out.Print(json);
        return 0;
    } catch (const UsageError& e) {
        return Usage(e.what());
    } catch (const std::exception& e) {
        std::cerr << "zeva-client: " << e.what() << "\n";
        return 1;
    }
}
