// zeva-client: calls the back-office web service through the service client
// library, for support staff and the demo. Text is UTF-8 on the terminal and
// the system code page at the library's interface.

#include <strings.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "Json.h"
#include "ZEVAClientIntf.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

namespace {

constexpr char kUsage[] =
    "usage: zeva-client [options] OPERATION [ARGS]\n"
    "\n"
    "Calls the back-office web service and prints the result.\n"
    "\n"
    "options:\n"
    "  --service URL          endpoint (default: Config.dat [Server] ServiceURL in the\n"
    "                         application directory)\n"
    "  --timeout S            time-out in seconds (default 5)\n"
    "  --proxy-option N       0 direct (default), 1 Internet Settings proxy, 2 the proxy below\n"
    "  --proxy-host H, --proxy-port P, --proxy-user U, --proxy-password W\n"
    "  --json                 print the result as JSON\n"
    "  --help                 show this text\n"
    "\n"
    "operations:\n"
    "  GetClientIp\n"
    "  GetClientIpAccount\n"
    "  GetCurrentAccount [--cached]\n"
    "  GetAccountStatus ACCOUNT\n"
    "  GetAccountNetType ACCOUNT [--cached]\n"
    "  GetAccountCity ACCOUNT [--cached]\n"
    "  GetDialUpHistoryUrl ACCOUNT\n"
    "  GetChangePasswordUrl ACCOUNT PASSWORD\n"
    "  GetUserBalance ACCOUNT                (answered locally, sends nothing)\n"
    "  GetDialUpTimes ACCOUNT                (answered locally, sends nothing)\n"
    "  SetHttpInfo --Field VALUE ... [--next --Field VALUE ...]\n"
    "      one web-access test record per group; fields: UserId NetTypeId Url DNSIp\n"
    "      HTTPServiceability DNSTimeDelay TCPTimeDelay HTTPTimeDelay Result Type Version\n"
    "\n"
    "--cached reads the value the last server query stored in UserData.dat.\n"
    "exit status: 0 success, 1 the call failed, 2 bad usage\n";

int Usage(const std::string& reason) {
    std::cerr << "zeva-client: " << reason << " (see --help)\n";
    return 2;
}

std::string A(const std::string& utf8) {
    return zeva::Utf8ToAcp(utf8);
}
std::string U(const std::string& acp) {
    return zeva::AcpToUtf8(acp);
}

// Named results of one operation, printed as "name: value" lines or JSON.
struct Output {
    std::vector<std::pair<std::string, std::string>> fields;  // UTF-8
    bool json = false;

    void Add(const std::string& name, const std::string& acpValue) {
        fields.emplace_back(name, U(acpValue));
    }
    void Print() const {
        if (json) {
            std::string line = "{";
            for (std::size_t i = 0; i < fields.size(); ++i)
                line += (i ? "," : "") + zeva::tools::JsonString(fields[i].first) + ":" +
                        zeva::tools::JsonString(fields[i].second);
            std::cout << line << "}\n";
            return;
        }
        for (const auto& [name, value] : fields) std::cout << name << ": " << value << "\n";
    }
};

using HttpSetter = std::string S_HttpInfo::*;
const std::map<std::string, HttpSetter> kHttpFields = {
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
    {"Version", &S_HttpInfo::Version},
};

std::string ConfiguredServiceUrl() {
    CCryptConfigFile config(zeva::ApplicationPathAcp() + zeva::cfgkeys::kConfigDat, "");
    std::string url;
    config.ReadString(zeva::cfgkeys::kSectionServer, zeva::cfgkeys::kKeyServiceURL, "", url);
    return url;
}

bool ParseUnsigned(const std::string& text, unsigned long max, unsigned long& out) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stoul(text);
    return out <= max;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::string service;
        bool haveService = false;
        unsigned long timeout = 5, proxyOption = 0, proxyPort = 0;
        std::string proxyHost, proxyUser, proxyPassword;
        bool json = false;
        std::vector<std::string> rest;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            auto value = [&](const char* what) -> std::string {
                if (i + 1 >= argc) throw std::invalid_argument(arg + " needs " + what);
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
            } else if (arg == "--timeout") {
                if (!ParseUnsigned(value("seconds"), 3600, timeout) || timeout == 0)
                    return Usage("--timeout needs 1 to 3600 seconds");
            } else if (arg == "--proxy-option") {
                if (!ParseUnsigned(value("0, 1 or 2"), 2, proxyOption))
                    return Usage("--proxy-option needs 0, 1 or 2");
            } else if (arg == "--proxy-host") {
                proxyHost = value("a host");
            } else if (arg == "--proxy-port") {
                if (!ParseUnsigned(value("a port"), 65535, proxyPort))
                    return Usage("--proxy-port needs 0 to 65535");
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
        const std::string op = rest[0];
        std::vector<std::string> args(rest.begin() + 1, rest.end());
        bool cached = false;
        std::erase_if(
            args, [&](const std::string& a) { return a == "--cached" ? (cached = true) : false; });

        if (!haveService) service = U(ConfiguredServiceUrl());
        CZEVAClientIntf client;
        client.Initialize(A(service).c_str(), static_cast<unsigned int>(timeout),
                          static_cast<BCI_PROXYOPTION>(proxyOption), A(proxyHost).c_str(),
                          static_cast<short>(static_cast<unsigned short>(proxyPort)),
                          A(proxyUser).c_str(), A(proxyPassword).c_str());
        Output out;
        out.json = json;
        auto need = [&](std::size_t n, const char* what) {
            if (args.size() != n) throw std::invalid_argument(op + " needs " + what);
        };
        auto is = [&](const char* name) { return strcasecmp(op.c_str(), name) == 0; };
        if (cached && !(is("GetCurrentAccount") || is("GetAccountNetType") || is("GetAccountCity")))
            return Usage(
                "--cached applies to GetCurrentAccount, GetAccountNetType and GetAccountCity only");
        if (!cached && !is("GetUserBalance") && !is("GetDialUpTimes") && service.empty())
            return Usage("no --service given and no ServiceURL in Config.dat");

        int rc = 0;
        if (is("GetClientIp")) {
            need(0, "no arguments");
            std::string ip;
            rc = client.GetClientIp(ip);
            out.Add("ip", ip);
        } else if (is("GetClientIpAccount")) {
            need(0, "no arguments");
            std::string ip, account;
            rc = client.GetClientIpAccount(ip, account);
            out.Add("ip", ip);
            out.Add("account", account);
        } else if (is("GetCurrentAccount")) {
            need(0, "no arguments besides --cached");
            std::string account;
            rc = client.GetCurrentAccount(account, !cached);
            out.Add("account", account);
        } else if (is("GetAccountStatus")) {
            need(1, "ACCOUNT");
            int status = 0;
            rc = client.GetAccountStatus(A(args[0]).c_str(), status);
            out.Add("status", std::to_string(status));
        } else if (is("GetAccountNetType")) {
            need(1, "ACCOUNT");
            S_NetType t;
            rc = client.GetAccountNetType(A(args[0]).c_str(), t, !cached);
            out.Add("Id", t.Id);
            out.Add("BandType", t.BandType);
            out.Add("BandRate", t.BandRate);
            out.Add("MaxValue", t.MaxValue);
            out.Add("Value", t.Value);
            out.Add("Description", t.Description);
        } else if (is("GetAccountCity")) {
            need(1, "ACCOUNT");
            std::string city;
            rc = client.GetAccountCity(A(args[0]).c_str(), city, !cached);
            out.Add("city", city);
        } else if (is("GetDialUpHistoryUrl")) {
            need(1, "ACCOUNT");
            std::string url;
            rc = client.GetDialUpHistoryUrl(A(args[0]).c_str(), url);
            out.Add("url", url);
        } else if (is("GetChangePasswordUrl")) {
            need(2, "ACCOUNT PASSWORD");
            std::string url;
            rc = client.GetChangePasswordUrl(A(args[0]).c_str(), A(args[1]).c_str(), url);
            out.Add("url", url);
        } else if (is("GetUserBalance") || is("GetDialUpTimes")) {
            need(1, "ACCOUNT");
            std::string value;
            rc = is("GetUserBalance") ? client.GetUserBalance(A(args[0]).c_str(), value)
                                      : client.GetDialUpTimes(A(args[0]).c_str(), value);
            out.Add("result", value);
        } else if (is("SetHttpInfo")) {
            std::vector<S_HttpInfo> records(1);
            for (std::size_t i = 0; i < args.size(); ++i) {
                if (args[i] == "--next") {
                    records.emplace_back();
                    continue;
                }
                const auto field = args[i].rfind("--", 0) == 0 ? kHttpFields.find(args[i].substr(2))
                                                               : kHttpFields.end();
                if (field == kHttpFields.end() || i + 1 >= args.size())
                    return Usage("SetHttpInfo takes --Field VALUE pairs and --next, not " +
                                 args[i]);
                records.back().*(field->second) = A(args[++i]);
            }
            rc = client.SetHttpInfo(records);
            out.Add("records", std::to_string(records.size()));
            out.Add("stored", rc == 0 ? "true" : "false");
        } else {
            return Usage("unknown operation " + op);
        }
        if (rc != 0) {
            std::cerr << "zeva-client: " << U(client.GetLastErrorInfo()) << "\n";
            return 1;
        }
        out.Print();
        return 0;
    } catch (const std::invalid_argument& e) {
        return Usage(e.what());
    } catch (const std::exception& e) {
        std::cerr << "zeva-client: " << e.what() << "\n";
        return 1;
    }
}
