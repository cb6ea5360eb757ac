// zeva-client: calls the back-office web service (or, with --online, the
// online-service web service) through the client libraries, for support staff
// and the demo. Text is UTF-8 on the terminal and the system code page at the
// libraries' interfaces.

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "Json.h"
#include "TerminalText.h"
#include "ZEVAClientFields.h"
#include "ZEVAClientIntf.h"
#include "eZEVAClientFields.h"
#include "eZEVAClientIntf.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/ProgramArguments.h"

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
using zeva::soapframe::ArgumentPayload;
using zeva::soapframe::Field;
namespace fields = zeva::clientfields;
namespace efields = zeva::eclientfields;

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
    // Every field of a record, as its table names them.
    template <class Record>
    static void AddTo(Fields& to, std::span<const Field<Record>> table, const Record& record) {
        for (const Field<Record>& f : table) AddTo(to, std::string(f.name), record.*f.member);
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
                   std::span<const std::string_view> allowed) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string name = args[i].rfind("--", 0) == 0 ? args[i].substr(2) : "";
            if (std::find(allowed.begin(), allowed.end(), name) == allowed.end() ||
                i + 1 >= args.size())
                throw UsageError(op + " takes --Element VALUE options, not " + args[i]);
            values_[name] = A(args[++i]);
        }
    }
    template <class Record>
    ElementOptions(const std::string& op, const std::vector<std::string>& args,
                   std::span<const Field<Record>> table)
        : ElementOptions(op, args, Names(table)) {}

    const char* Get(std::string_view name) const {
        auto it = values_.find(std::string(name));
        return it == values_.end() ? nullptr : it->second.c_str();
    }
    std::string Text(std::string_view name) const { return Get(name) ? Get(name) : ""; }
    bool Flag(const std::string& name) const {
        const std::string v = Text(name);
        if (v.empty() || v == "0") return false;
        if (v == "1") return true;
        throw UsageError("--" + name + " takes 0 or 1");
    }
    // A payload's arguments in the order the operation takes them.
    std::vector<const char*> Arguments(const ArgumentPayload& payload) const {
        std::vector<const char*> values;
        for (const std::string_view name : payload.ArgumentOrder()) values.push_back(Get(name));
        return values;
    }
    // A record filled from the options its table names.
    template <class Record>
    Record Fill(std::span<const Field<Record>> table) const {
        Record r{};
        for (const Field<Record>& f : table) r.*f.member = Text(f.name);
        return r;
    }

private:
    template <class Record>
    static std::vector<std::string_view> Names(std::span<const Field<Record>> table) {
        std::vector<std::string_view> names;
        for (const Field<Record>& f : table) names.push_back(f.name);
        return names;
    }

    std::map<std::string, std::string> values_;
};

// Calls `fn` with the first N values as separate arguments.
template <std::size_t N, class Fn>
int Spread(const std::vector<const char*>& values, Fn&& fn) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return fn(values.at(I)...);
    }
    (std::make_index_sequence<N>());
}

// A record from --Element VALUE options named by its table.
template <class Record>
Record RecordOptions(const std::string& op, const std::vector<std::string>& args,
                     std::span<const Field<Record>> table) {
    return ElementOptions(op, args, table).Fill(table);
}

// Groups of --Element VALUE options separated by --next, one record each.
template <class Record>
std::vector<Record> RecordGroups(const std::string& op, const std::vector<std::string>& args,
                                 std::span<const Field<Record>> table) {
    std::vector<Record> records;
    std::vector<std::string> current;
    for (const auto& a : args) {
        if (a == "--next") {
            records.push_back(RecordOptions(op, current, table));
            current.clear();
        } else {
            current.push_back(a);
        }
    }
    records.push_back(RecordOptions(op, current, table));
    return records;
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
    void Need(std::size_t n, const char* what) const {
        if (args.size() != n) throw UsageError(op + " needs " + what);
    }
};

// The name/value fields of a record among an operation's results.
template <class Record>
void AddFields(Output& out, std::span<const Field<Record>> table, const Record& record) {
    Output::AddTo(out.fields, table, record);
}

template <class Config>
void AddConfigs(Output& out, const std::vector<Config>& list) {
    for (const auto& c : list)
        Output::AddTo<Config>(out.NewRecord(), fields::kConfigFields<Config>, c);
    out.hasRecords = true;
}

template <class Push>
void AddPushes(Output& out, const std::vector<Push>& list) {
    for (const auto& p : list) {
        Fields& r = out.NewRecord();
        Output::AddTo(r, "Id", std::to_string(p.Id));
        Output::AddTo<Push>(r, fields::kPushTextFields<Push>, p);
    }
    out.hasRecords = true;
}

const char* Stored(int rc) {
    return rc == 0 ? "true" : "false";
}

// One operation of a client: its name, whether it reads the local cache
// with --cached or needs no service at all, and what it does.
template <class Client>
struct Operation {
    const char* name;
    std::function<int(Client& client, const Invocation& inv, Output& out)> run;
    bool cacheable = false;
    bool local = false;
};

using BackOfficeOp = Operation<CZEVAClientIntf>;
using OnlineOp = Operation<CeZEVAClientIntf>;
using BO = CZEVAClientIntf;
using OS = CeZEVAClientIntf;
using Inv = Invocation;

// The shapes several operations share.

// No arguments; the one text result shown as `field`.
template <class C>
auto NoArgumentText(int (C::*method)(std::string&), const char* field) {
    return [method, field](C& c, const Inv& inv, Output& out) {
        inv.Need(0, "no arguments");
        std::string value;
        const int rc = (c.*method)(value);
        out.Add(field, value);
        return rc;
    };
}

// ACCOUNT; the one text result shown as `field`.
template <class C>
auto AccountText(int (C::*method)(const char*, std::string&), const char* field) {
    return [method, field](C& c, const Inv& inv, Output& out) {
        inv.Need(1, "ACCOUNT");
        std::string value;
        const int rc = (c.*method)(A(inv.args[0]).c_str(), value);
        out.Add(field, value);
        return rc;
    };
}

// TEXT; the answer record shown with its table.
template <class C, class Record>
auto TextRecord(int (C::*method)(const char*, Record&), std::span<const Field<Record>> table) {
    return [method, table](C& c, const Inv& inv, Output& out) {
        inv.Need(1, "TEXT");
        Record record;
        const int rc = (c.*method)(A(inv.args[0]).c_str(), record);
        AddFields(out, table, record);
        return rc;
    };
}

// A report given as --Element options whose answer is one text;
// `send(client, arguments..., result)` calls the library.
template <const ArgumentPayload& Report, class Send>
auto TextReport(Send send) {
    return [send](BO& c, const Inv& inv, Output& out) {
        const ElementOptions f(inv.op, inv.args, Report.elements);
        std::string result;
        const int rc = Spread<Report.elements.size()>(
            f.Arguments(Report), [&](auto... a) { return send(c, a..., result); });
        out.Add("result", result);
        return rc;
    };
}

const std::vector<BackOfficeOp> kBackOffice = {
    {"GetClientIp", NoArgumentText(&BO::GetClientIp, "ip")},
    {"GetClientIpAccount",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(0, "no arguments");
         std::string ip, account;
         const int rc = c.GetClientIpAccount(ip, account);
         out.Add("ip", ip);
         out.Add("account", account);
         return rc;
     }},
    {"GetCurrentAccount",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(0, "no arguments besides --cached");
         std::string account;
         const int rc = c.GetCurrentAccount(account, !inv.cached);
         out.Add("account", account);
         return rc;
     },
     true},
    {"GetAccountStatus",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(1, "ACCOUNT");
         int status = 0;
         const int rc = c.GetAccountStatus(A(inv.args[0]).c_str(), status);
         out.Add("status", std::to_string(status));
         return rc;
     }},
    {"GetAccountNetType",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(1, "ACCOUNT");
         S_NetType t;
         const int rc = c.GetAccountNetType(A(inv.args[0]).c_str(), t, !inv.cached);
         AddFields<S_NetType>(out, fields::kNetTypeFields, t);
         return rc;
     },
     true},
    {"GetAccountCity",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(1, "ACCOUNT");
         std::string city;
         const int rc = c.GetAccountCity(A(inv.args[0]).c_str(), city, !inv.cached);
         out.Add("city", city);
         return rc;
     },
     true},
    {"GetDialUpHistoryUrl", AccountText(&BO::GetDialUpHistoryUrl, "url")},
    {"GetChangePasswordUrl",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(2, "ACCOUNT PASSWORD");
         std::string url;
         const int rc = c.GetChangePasswordUrl(A(inv.args[0]).c_str(), A(inv.args[1]).c_str(), url);
         out.Add("url", url);
         return rc;
     }},
    {"GetUserBalance", AccountText(&BO::GetUserBalance, "result"), false, true},
    {"GetDialUpTimes", AccountText(&BO::GetDialUpTimes, "result"), false, true},
    {"SetHttpInfo",
     [](BO& c, const Inv& inv, Output& out) {
         auto records = RecordGroups<S_HttpInfo>(inv.op, inv.args, fields::kHttpInfoFields);
         const int rc = c.SetHttpInfo(records);
         out.Add("records", std::to_string(records.size()));
         out.Add("stored", Stored(rc));
         return rc;
     }},
    {"SetSpeedInfo",
     [](BO& c, const Inv& inv, Output& out) {
         const ElementOptions f(inv.op, inv.args, fields::kSpeedInfo.elements);
         const int rc = Spread<fields::kSpeedInfo.elements.size()>(
             f.Arguments(fields::kSpeedInfo), [&](auto... a) { return c.SetSpeedInfo(a...); });
         out.Add("stored", Stored(rc));
         return rc;
     }},
    {"SetSpeedTestBGInfo",
     [](BO& c, const Inv& inv, Output& out) {
         const ElementOptions f(inv.op, inv.args, fields::kSpeedTestBGInfo.elements);
         const int count = f.Get("PCCount") ? SignedNumber(f.Text("PCCount"), "--PCCount") : 0;
         const int rc =
             c.SetSpeedTestBGInfo(f.Get("NetTypeId"), f.Get("ResponseRate"), f.Get("DialupType"),
                                  f.Get("CTime"), f.Get("UserId"), count, f.Get("Version"));
         out.Add("stored", Stored(rc));
         return rc;
     }},
    {"SetSpeedSlowInfo",
     TextReport<fields::kSpeedSlowInfo>([](BO& c, auto... a) { return c.SetSpeedSlowInfo(a...); })},
    {"SetErrorITVInfo",
     TextReport<fields::kErrorITVInfo>([](BO& c, auto... a) { return c.SetErrorITVInfo(a...); })},
    {"SetErrorHistory",
     [](BO& c, const Inv& inv, Output& out) {
         const ElementOptions f(inv.op, inv.args, fields::kErrorHistory.elements);
         std::string result;
         const int rc = c.SetErrorHistory(f.Get("ErrorCode"), f.Get("TypeNo"), f.Get("ReasonNo"),
                                          f.Get("UserId"), f.Get("CTime"), f.Flag("IsSucceed"),
                                          f.Get("CpeName"), f.Flag("IsExactError"), result);
         out.Add("result", result);
         return rc;
     }},
    {"UpFinish",
     [](BO& c, const Inv& inv, Output& out) {
         const ElementOptions f(inv.op, inv.args, fields::kUpFinish.elements);
         S_UPFINISHOUT result;
         const int rc = Spread<fields::kUpFinish.elements.size()>(
             f.Arguments(fields::kUpFinish), [&](auto... a) { return c.UpFinish(a..., result); });
         out.Add("Result", result.Result ? "true" : "false");
         out.Add("ResultDesc", result.ResultDesc);
         return rc;
     }},
    {"GetSpeedConfigList",
     [](BO& c, const Inv& inv, Output& out) {
         if (inv.args.size() > 1) throw UsageError(inv.op + " takes at most one TEXT");
         std::vector<S_SpeedConfig> list;
         const int rc = c.GetSpeedConfigList(inv.args.empty() ? "" : A(inv.args[0]).c_str(), list);
         AddConfigs(out, list);
         return rc;
     }},
    {"GetVideoConfigList",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(0, "no arguments");
         std::vector<S_VideoConfig> list;
         const int rc = c.GetVideoConfigList(list);
         AddConfigs(out, list);
         return rc;
     }},
    {"GetInfoPush",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(2, "LASTID ACCOUNT");
         std::vector<S_InfoPush> list;
         const int rc =
             c.GetInfoPush(SignedNumber(inv.args[0], "LASTID"), A(inv.args[1]).c_str(), list);
         AddPushes(out, list);
         return rc;
     }},
    {"GetFeeInfoPush",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(1, "ACCOUNT");
         std::vector<S_FeeInfoPush> list;
         const int rc = c.GetFeeInfoPush(0, A(inv.args[0]).c_str(), list);
         AddPushes(out, list);
         return rc;
     }},
    {"CheckPushFeedback",
     TextRecord<BO, S_FeedBackInfo>(&BO::CheckPushFeedback, fields::kFeedBackFields)},
    {"GetDns", TextRecord<BO, S_Dns>(&BO::GetDns, fields::kDnsFields)},
    {"Get691Index",
     TextReport<fields::k691Index>([](BO& c, auto... a) { return c.Get691Index(a...); })},
    {"GetLastDialUpError",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(1, "ACCOUNT");
         int code = 0;
         std::string u20, u09;
         const int rc = c.GetLastDialUpError(A(inv.args[0]).c_str(), code, u20, u09);
         out.Add("errorCode", std::to_string(code));
         out.Add("U20", u20);
         out.Add("U09", u09);
         return rc;
     }},
    {"CheckAccountPassword",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(2, "ACCOUNT PASSWORD");
         bool valid = false;
         const int rc =
             c.CheckAccountPassword(A(inv.args[0]).c_str(), A(inv.args[1]).c_str(), valid);
         out.Add("valid", valid ? "true" : "false");
         return rc;
     }},
    {"GetUserNameAndWorkListNum",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(2, "OPERATIONCODE ACCOUNTS");
         std::vector<std::string> list;
         const int rc =
             c.GetUserNameAndWorkListNum(A(inv.args[0]).c_str(), A(inv.args[1]).c_str(), list);
         for (const auto& n : list) Output::AddTo(out.NewRecord(), "WorkListNum", n);
         out.hasRecords = true;
         return rc;
     }},
    {"SetUseInfo",
     [](BO& c, const Inv& inv, Output& out) {
         S_UseInfo info = RecordOptions<S_UseInfo>(inv.op, inv.args, fields::kUseInfoFields);
         const int rc = c.SetUseInfo(info);
         out.Add("stored", Stored(rc));
         return rc;
     }},
    {"SetVPDNUsage",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(2, "SUCCESSES FAILURES");
         const int rc = c.SetVPDNUsage(
             static_cast<unsigned int>(Number(inv.args[0], 4294967295ul, "SUCCESSES")),
             static_cast<unsigned int>(Number(inv.args[1], 4294967295ul, "FAILURES")));
         out.Add("stored", Stored(rc));
         return rc;
     }},
    {"SetClientFunctionUsage",
     [](BO& c, const Inv& inv, Output& out) {
         inv.Need(2, "TAG TIMES");
         const int rc = c.SetClientFunctionUsage(
             A(inv.args[0]).c_str(),
             static_cast<unsigned int>(Number(inv.args[1], 4294967295ul, "TIMES")));
         out.Add("stored", Stored(rc));
         return rc;
     }},
};

const std::vector<OnlineOp> kOnline = {
    {"GetCurrentAccount", NoArgumentText(&OS::GetCurrentAccount, "account")},
    {"GetUserAttribution", AccountText(&OS::GetUserAttribution, "attribution")},
    {"GetOwnService",
     [](OS& c, const Inv& inv, Output& out) {
         inv.Need(1, "ACCOUNT");
         S_Service service;
         bool own = false;
         const int rc = c.GetOwnService(A(inv.args[0]).c_str(), service, own);
         out.Add("own", own ? "true" : "false");
         AddFields<S_Service>(out, efields::kServiceFields, service);
         return rc;
     }},
    {"GetServiceList",
     [](OS& c, const Inv& inv, Output& out) {
         inv.Need(0, "no arguments");
         std::vector<S_Service> list;
         const int rc = c.GetServiceList(list);
         for (const auto& s : list)
             Output::AddTo<S_Service>(out.NewRecord(), efields::kServiceFields, s);
         out.hasRecords = true;
         return rc;
     }},
    {"SetUserOnlineLength",
     [](OS& c, const Inv& inv, Output& out) {
         const auto& args = inv.args;
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
         const int rc =
             c.SetUserOnlineLength(A(args[0]).c_str(), A(args[1]).c_str(), list, accepted);
         out.Add("accepted", accepted ? "true" : "false");
         return rc;
     }},
    {"SetBugLog",
     [](OS& c, const Inv& inv, Output& out) {
         const auto bugs = RecordGroups<S_BugInfo>(inv.op, inv.args, efields::kBugInfoFields);
         bool accepted = false;
         const int rc = c.SetBugLog(bugs, accepted);
         out.Add("accepted", accepted ? "true" : "false");
         return rc;
     }},
};

// The operation `name` of a table, matched without regard to case.
template <class Client>
const Operation<Client>* Find(std::span<const Operation<Client>> table, const std::string& name) {
    for (const auto& op : table)
        if (strcasecmp(op.name, name.c_str()) == 0) return &op;
    return nullptr;
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

int Run(int argc, char** argv) {
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
        const BackOfficeOp* backOffice = online ? nullptr : Find<BO>(kBackOffice, inv.op);
        const OnlineOp* onlineOp = online ? Find<OS>(kOnline, inv.op) : nullptr;
        if (!backOffice && !onlineOp)
            return Usage("unknown operation " + inv.op + (online ? " of the online service" : ""));
        if (inv.cached && !(backOffice && backOffice->cacheable))
            return Usage(
                "--cached applies to GetCurrentAccount, GetAccountNetType and GetAccountCity only");
        const bool local = inv.cached || (backOffice && backOffice->local);
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
        int rc = 0;
        std::string error;
        if (onlineOp) {
            CeZEVAClientIntf client;
            client.Initialize(A(service).c_str(), static_cast<unsigned int>(timeout),
                              static_cast<EBCI_PROXYOPTION>(proxyOption), A(proxyHost).c_str(),
                              port, A(proxyUser).c_str(), A(proxyPassword).c_str());
            rc = onlineOp->run(client, inv, out);
            error = client.GetLastErrorInfo();
        } else {
            CZEVAClientIntf client;
            client.Initialize(A(service).c_str(), static_cast<unsigned int>(timeout),
                              static_cast<BCI_PROXYOPTION>(proxyOption), A(proxyHost).c_str(), port,
                              A(proxyUser).c_str(), A(proxyPassword).c_str());
            rc = backOffice->run(client, inv, out);
            error = client.GetLastErrorInfo();
        }
        if (rc != 0) {
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

}  // namespace

int main(int argc, char** argv) {
    zeva::ProgramArguments args(argc, argv);
    return Run(args.argc(), args.argv());
}
