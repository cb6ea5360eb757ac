// zeva-netprobe: the measuring engines and probes of the speed test and the
// LAN check, for users and support staff.
//
// Texts of the libraries are in the system code page; this tool prints UTF-8.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "AdapterInfo.h"
#include "DialUp.h"
#include "HardwareInfo.h"
#include "IEMgr.h"
#include "IPtoTestingPC.h"
#include "Json.h"
#include "LanScan.h"
#include "LineQuality.h"
#include "NetworkAdapter.h"
#include "NetworkFlux.h"
#include "ProbeSystem.h"
#include "SocketConnector.h"
#include "SocketSys.h"
#include "SystemConfig.h"
#include "WebAddress.h"
#include "ZEVAHttpSpeed.h"
#include "ZEVAVDownSpeedEx.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/MessageQueue.h"
#include "platform/ProgramArguments.h"

namespace {

constexpr char kUsage[] =
    "usage: zeva-netprobe [--json] COMMAND [ARGS]\n"
    "\n"
    "Measures the line and looks at this computer and its local network.\n"
    "\n"
    "commands:\n"
    "  download URL... [--duration-ms N] [--single] [--direct]\n"
    "        download the addresses for N ms (default 15000) over parallel streams;\n"
    "        shows the current rate, then the average (ramp-up left out)\n"
    "  web URL... [--timeout S] [--direct]\n"
    "        name look-up, connection and response time of each address (default 5 s)\n"
    "  quality URL [--upload URL] [--seconds N]\n"
    "        line quality: idle latency and jitter, then the download (and upload)\n"
    "        rate with the latency the load adds and the responsiveness in round\n"
    "        trips per minute; N seconds in all (default 20). URL is a large file\n"
    "        on the test server; the upload address takes POSTed data and discards it\n"
    "  scan [--iface IF] [--thorough] [--no-raw]\n"
    "        the devices of the local IPv4 network by ARP, with their makers\n"
    "        (--no-raw: probe and read the kernel's neighbour table instead)\n"
    "  system\n"
    "        processor and memory load, adapters, proxy, dial-up and byte counters\n"
    "\n"
    "options:\n"
    "  --json    print one JSON document on standard output\n"
    "  --help    show this text\n"
    "\n"
    "exit status: 0 success, 1 the measurement failed, 2 bad usage\n";

constexpr UINT kProgressMessage = 1627;
constexpr long kGraceMs = 30000;

int Usage(const std::string& reason) {
    std::cerr << "zeva-netprobe: " << reason << "\n(see zeva-netprobe --help)\n";
    return 2;
}

int Fail(const std::string& reason) {
    std::cerr << "zeva-netprobe: " << reason << "\n";
    return 1;
}

std::string U(const std::string& acp) {
    return zeva::AcpToUtf8(acp);
}
std::string J(const std::string& utf8) {
    return zeva::tools::JsonString(utf8);
}

bool Interactive() {
    return zeva::netprobe::StderrIsTerminal();
}

std::string RateText(double kbps) {
    char buf[64];
    if (kbps >= 1024.0)
        std::snprintf(buf, sizeof buf, "%.1f MB/s (%.1f Mbit/s)", kbps / 1024.0,
                      kbps * 8.192 / 1000.0);
    else
        std::snprintf(buf, sizeof buf, "%.0f KB/s (%.2f Mbit/s)", kbps, kbps * 8.192 / 1000.0);
    return buf;
}

void DrawBar(int percent, const std::string& label) {
    const int width = 30;
    const int filled = std::max(0, std::min(width, percent * width / 100));
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(width - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%  %-34s", bar.c_str(), percent, label.c_str());
    std::fflush(stderr);
}

long CpuMs() {
    return zeva::netprobe::ProcessCpuMs();
}

struct Args {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // name, value
    std::vector<std::string> flags;
    bool Has(const std::string& f) const {
        return std::find(flags.begin(), flags.end(), f) != flags.end();
    }
    std::optional<std::string> Get(const std::string& name) const {
        for (const auto& [n, v] : options)
            if (n == name) return v;
        return std::nullopt;
    }
};

// Splits arguments by the options each command takes.
std::optional<Args> Parse(const std::vector<std::string>& in,
                          const std::vector<std::string>& valued,
                          const std::vector<std::string>& flags, std::string& error) {
    Args a;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::string& s = in[i];
        if (s.rfind("--", 0) != 0) {
            a.positional.push_back(s);
            continue;
        }
        if (std::find(valued.begin(), valued.end(), s) != valued.end()) {
            if (i + 1 >= in.size()) {
                error = s + " needs a value";
                return std::nullopt;
            }
            a.options.emplace_back(s, in[++i]);
        } else if (std::find(flags.begin(), flags.end(), s) != flags.end()) {
            a.flags.push_back(s);
        } else {
            error = "unknown option " + s;
            return std::nullopt;
        }
    }
    return a;
}

std::optional<long> Number(const std::string& s, long min, long max) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < min || v > max) return std::nullopt;
    return v;
}

// ---- download ----

int Download(const Args& args, bool json) {
    if (args.positional.empty()) return Usage("download needs at least one URL");
    long duration = 15000;
    if (const auto d = args.Get("--duration-ms")) {
        const auto v = Number(*d, 100, 3600000);
        if (!v) return Usage("--duration-ms must be a number of milliseconds from 100 to 3600000");
        duration = *v;
    }
    struct Sample {
        std::uint32_t ms;
        WPARAM kbps;
        LPARAM percent;
    };
    std::vector<Sample> samples;
    std::optional<WPARAM> average;
    bool unreachable = false;
    const std::uint32_t start = zeva::GetTickCount();
    const bool bar = Interactive();
    HWND window = zeva::CreateWindowHandle([&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == zeva::WM_TIMER) {
            zeva::KillTimer(self, 1);
            zeva::PostQuitMessage(1);
            return 0;
        }
        if (msg != kProgressMessage) return 0;
        if (l == -1) {
            unreachable = true;
            zeva::PostQuitMessage(1);
            return 0;
        }
        samples.push_back({zeva::GetTickCount() - start, w, l});
        if (l >= 100) {
            average = w;
            zeva::PostQuitMessage(0);
        }
        if (bar) DrawBar(static_cast<int>(l), "now " + RateText(static_cast<double>(w)));
        return 0;
    });
    CZEVAVDownSpeedEx engine(!args.Has("--single"));
    engine.EnableProxy(!args.Has("--direct"));
    const long cpuBefore = CpuMs();
    const int rc = engine.StartTest(args.positional, static_cast<unsigned long>(duration), window,
                                    kProgressMessage);
    if (rc != 0) {
        zeva::DestroyWindowHandle(window);
        return Fail("the download test could not start (code " + std::to_string(rc) + ")");
    }
    if (bar) DrawBar(0, "connecting...");
    // The engine always ends with 100 or -1; the timer only guards against a hang.
    zeva::SetTimer(window, 1, static_cast<UINT>(duration + kGraceMs));
    zeva::RunMessageLoop();
    engine.StopTest();
    const long cpuMs = CpuMs() - cpuBefore;
    zeva::DestroyWindowHandle(window);
    if (bar) std::fprintf(stderr, "\n");
    if (unreachable || !average) return Fail("no test address can be reached");
    if (json) {
        std::ostringstream o;
        o << "{\"average_kbps\":" << *average << ",\"duration_ms\":" << duration
          << ",\"cpu_ms\":" << cpuMs << ",\"samples\":[";
        for (std::size_t i = 0; i < samples.size(); ++i)
            o << (i ? "," : "") << "{\"ms\":" << samples[i].ms << ",\"kbps\":" << samples[i].kbps
              << ",\"percent\":" << samples[i].percent << "}";
        o << "]}";
        std::cout << o.str() << "\n";
    } else {
        std::cout << "average: " << RateText(static_cast<double>(*average)) << " over " << duration
                  << " ms\n";
    }
    return 0;
}

// ---- web ----

struct Target {
    std::string host;
    unsigned short port = 80;
};

// Host and port as the engine reads the address (the host after any user
// part); nullopt, with the reason in `error`, when it is no web address.
std::optional<Target> SplitAddress(const std::string& url, std::string& error) {
    zeva::WebAddress a;
    if (zeva::SplitWebAddress(url, a, error) != 0) return std::nullopt;
    Target t;
    t.host = a.host;
    t.port = a.port != 0 ? a.port : (a.scheme == "https" ? 443 : 80);
    return t;
}

int Web(const Args& args, bool json) {
    if (args.positional.empty()) return Usage("web needs at least one URL");
    int timeout = 5;
    if (const auto t = args.Get("--timeout")) {
        const auto v = Number(*t, 1, 300);
        if (!v) return Usage("--timeout must be seconds from 1 to 300");
        timeout = static_cast<int>(*v);
    }
    const bool direct = args.Has("--direct");
    COMMON_ServerAddress proxy;
    bool proxyOn = false;
    std::string error;
    if (!direct) CIEMgr::GetIEProxy(proxy, proxyOn, error);

    struct Row {
        std::string url;
        std::optional<long> dnsMs, connectMs, responseMs;
        std::string ip;
        bool ok = false;
    };
    std::vector<Row> rows;
    CZEVAHttpSpeed engine(!direct);
    const bool bar = Interactive() && !json;
    for (std::size_t i = 0; i < args.positional.size(); ++i) {
        Row r;
        r.url = args.positional[i];
        std::string why;
        const auto target = SplitAddress(r.url, why);
        if (!target) {
            // Nothing to time: the site fails without being asked.
            std::fprintf(stderr, "zeva-netprobe: %s: %s\n", r.url.c_str(), why.c_str());
            rows.push_back(r);
            continue;
        }
        const Target& t = *target;
        if (bar) DrawBar(static_cast<int>(i * 100 / args.positional.size()), r.url.substr(0, 34));
        if (!proxyOn && !t.host.empty()) {
            const auto before = std::chrono::steady_clock::now();
            std::string resolveError;
            if (const auto ip = zeva::sock::ResolveIpv4(t.host, resolveError)) {
                r.dnsMs = std::max<long>(
                    1, static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - before)
                                             .count()));
                r.ip = zeva::sock::Ipv4Text(*ip);
            }
        }
        CE_SocketConnector connector;
        CE_SocketStream stream;
        const auto before = std::chrono::steady_clock::now();
        const int c = proxyOn ? connector.Connect(stream, t.host, t.port, proxy.Address,
                                                  proxy.Port == 0 ? 80 : proxy.Port, "", "", 6)
                              : connector.Connect(stream, r.ip.empty() ? t.host : r.ip, t.port, 6);
        if (c == 0)
            r.connectMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - before)
                              .count();
        stream.Close();

        std::optional<std::pair<WPARAM, LPARAM>> result;
        HWND window = zeva::CreateWindowHandle([&](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
            if (msg == zeva::WM_TIMER) zeva::PostQuitMessage(1);
            if (msg == kProgressMessage && (l == 100 || l == -1)) {
                result = {w, l};
                zeva::PostQuitMessage(0);
            }
            return 0;
        });
        if (engine.StartTest(r.url, timeout, window, kProgressMessage, i > 0) == 0) {
            zeva::SetTimer(window, 1, static_cast<UINT>(timeout * 1000 + kGraceMs));
            zeva::RunMessageLoop();
        }
        engine.StopTest();
        zeva::DestroyWindowHandle(window);
        if (result && result->second == 100) {
            r.ok = true;
            r.responseMs = static_cast<long>(result->first);
        }
        rows.push_back(r);
    }
    if (bar) {
        DrawBar(100, "done");
        std::fprintf(stderr, "\n");
    }
    auto num = [](const std::optional<long>& v) {
        return v ? std::to_string(*v) : std::string("null");
    };
    if (json) {
        std::ostringstream o;
        o << "{\"proxy\":"
          << (proxyOn ? J(proxy.Address + ":" + std::to_string(proxy.Port)) : "null")
          << ",\"sites\":[";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& r = rows[i];
            o << (i ? "," : "") << "{\"url\":" << J(r.url)
              << ",\"ip\":" << (r.ip.empty() ? "null" : J(r.ip)) << ",\"dns_ms\":" << num(r.dnsMs)
              << ",\"connect_ms\":" << num(r.connectMs) << ",\"response_ms\":" << num(r.responseMs)
              << ",\"ok\":" << (r.ok ? "true" : "false") << "}";
        }
        o << "]}";
        std::cout << o.str() << "\n";
    } else {
        std::printf("%-40s %8s %10s %11s  %s\n", "address", "dns ms", "connect ms", "response ms",
                    "result");
        for (const auto& r : rows)
            std::printf("%-40s %8s %10s %11s  %s\n", r.url.c_str(), num(r.dnsMs).c_str(),
                        num(r.connectMs).c_str(), num(r.responseMs).c_str(),
                        r.ok ? "ok" : "failed");
    }
    bool any = false;
    for (const auto& r : rows) any = any || r.ok;
    return any ? 0 : 1;
}

// ---- quality ----

std::string Num(const std::optional<double>& v, int decimals = 1) {
    if (!v) return "null";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, *v);
    return buf;
}

std::string Ms(const std::optional<double>& v) {
    return v ? Num(v) + " ms" : std::string("-");
}

std::string LatencyJson(const LatencyFigures& f, bool jitter) {
    std::ostringstream o;
    o << "{\"median\":" << Num(f.median);
    if (jitter)
        o << ",\"jitter\":" << Num(f.jitter);
    else
        o << ",\"p90\":" << Num(f.p90);
    o << ",\"samples\":" << f.samples << ",\"lost\":" << f.lost << "}";
    return o.str();
}

std::string LoadJson(const LoadFigures& f) {
    std::ostringstream o;
    o << "{\"mbps\":" << Num(f.mbps, 2) << ",\"latency_ms\":" << LatencyJson(f.latency, false)
      << ",\"loaded_rtt_ms\":" << Num(f.loadedRttMs) << ",\"responsiveness_rpm\":" << Num(f.rpm, 0)
      << ",\"streams\":" << f.streams << "}";
    return o.str();
}

const char* VerdictText(zeva::speed::LatencyGrade g) {
    switch (g) {
        case zeva::speed::LatencyGrade::Good:
            return "good: the line stays responsive while it is busy";
        case zeva::speed::LatencyGrade::Fair:
            return "fair: calls and games may stutter while the line is busy";
        case zeva::speed::LatencyGrade::Poor:
            return "poor: the line buffers too much (bufferbloat); calls, games and web pages "
                   "slow down while it is busy";
    }
    return "";
}

int Quality(const Args& args, bool json) {
    if (args.positional.size() != 1)
        return Usage("quality needs one URL (a large file on the test server)");
    LineQualityOptions options;
    options.url = args.positional.front();
    if (const auto u = args.Get("--upload")) {
        if (u->empty()) return Usage("--upload needs an address");
        options.uploadUrl = *u;
    }
    if (const auto s = args.Get("--seconds")) {
        const auto v = Number(*s, 5, 600);
        if (!v) return Usage("--seconds must be a number of seconds from 5 to 600");
        options.seconds = static_cast<unsigned>(*v);
    }
    const bool bar = Interactive();
    std::optional<LPARAM> end;
    CLineQuality engine;
    HWND window = zeva::CreateWindowHandle([&](HWND self, UINT msg, WPARAM, LPARAM l) -> LRESULT {
        if (msg == zeva::WM_TIMER) {
            zeva::KillTimer(self, 1);
            zeva::PostQuitMessage(1);
            return 0;
        }
        if (msg != kProgressMessage) return 0;
        if (l == 100 || l == -1) {
            end = l;
            zeva::PostQuitMessage(0);
            return 0;
        }
        if (bar) {
            const LineQualityProgress p = engine.GetProgress();
            std::string label;
            char rate[48];
            std::snprintf(rate, sizeof rate, "%.1f Mbit/s", p.mbps);
            switch (p.phase) {
                case LineQualityPhase::Idle:
                    label = "idle latency";
                    break;
                case LineQualityPhase::Download:
                    label = std::string("download ") + rate;
                    break;
                case LineQualityPhase::Upload:
                    label = std::string("upload ") + rate;
                    break;
                case LineQualityPhase::Done:
                    label = "done";
                    break;
            }
            if (p.lastLatencyMs) label += ", " + Num(p.lastLatencyMs, 0) + " ms";
            DrawBar(p.percent, label);
        }
        return 0;
    });
    const int rc = engine.StartTest(options, window, kProgressMessage);
    if (rc != 0) {
        zeva::DestroyWindowHandle(window);
        return Fail("the line-quality test could not start (code " + std::to_string(rc) + ")");
    }
    if (bar) DrawBar(0, "connecting...");
    zeva::SetTimer(window, 1, static_cast<UINT>(options.seconds * 1000 + kGraceMs));
    zeva::RunMessageLoop();
    engine.StopTest();
    zeva::DestroyWindowHandle(window);
    if (bar) std::fprintf(stderr, "\n");
    LineQualityResult r;
    if (!end) return Fail("the line-quality test did not finish in time");
    if (*end == -1 || !engine.GetResult(r)) return Fail(engine.GetLastError());
    if (json) {
        std::ostringstream o;
        o << "{\"idle\":{\"latency_ms\":" << LatencyJson(r.idle, true)
          << ",\"connect_ms\":" << Num(r.idleConnectMs)
          << "},\"download\":" << LoadJson(r.download);
        if (r.upload) o << ",\"upload\":" << LoadJson(*r.upload);
        o << ",\"responsiveness_rpm\":" << Num(r.rpm, 0) << ",\"added_ms\":" << Num(r.addedMs)
          << ",\"verdict\":" << (r.addedMs ? J(zeva::speed::GradeName(r.grade)) : "null")
          << ",\"seconds\":" << options.seconds << "}";
        std::cout << o.str() << "\n";
        return 0;
    }
    std::printf("idle latency    %s (jitter %s, connection set-up %s)\n", Ms(r.idle.median).c_str(),
                Ms(r.idle.jitter).c_str(), Ms(r.idleConnectMs).c_str());
    auto loadLine = [](const char* name, const LoadFigures& f) {
        std::printf("%-15s %.1f Mbit/s, latency under load %s (90 %%: %s)\n", name, f.mbps,
                    Ms(f.latency.median).c_str(), Ms(f.latency.p90).c_str());
    };
    loadLine("download", r.download);
    if (r.upload) loadLine("upload", *r.upload);
    std::printf("responsiveness  %s RPM (round trips per minute under load; higher is better)\n",
                Num(r.rpm, 0).c_str());
    if (r.addedMs)
        std::printf("verdict         the load adds %.0f ms: %s\n", *r.addedMs,
                    VerdictText(r.grade));
    return 0;
}

// ---- scan ----

int Scan(const Args& args, bool json) {
    if (!args.positional.empty()) return Usage("scan takes no addresses");
    zeva::lan::ScanOptions options;
    if (const auto i = args.Get("--iface")) options.iface = *i;
    if (args.Has("--thorough")) {
        options.rounds = 3;
        options.roundWaitMs = 600;
    }
    options.allowRawSocket = !args.Has("--no-raw");
    if (Interactive() && !json)
        std::fprintf(stderr, "scanning the local network%s...\n",
                     options.iface.empty() ? "" : (" on " + options.iface).c_str());
    const auto before = std::chrono::steady_clock::now();
    zeva::lan::ScanResult result;
    std::string error;
    if (zeva::lan::ScanLan(options, result, error) != 0) return Fail(error);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - before)
                        .count();
    if (json) {
        std::ostringstream o;
        o << "{\"iface\":" << J(result.iface) << ",\"method\":" << J(result.method)
          << ",\"addresses_scanned\":" << result.addressesScanned << ",\"elapsed_ms\":" << ms
          << ",\"incomplete\":" << (result.incomplete.empty() ? "null" : J(result.incomplete))
          << ",\"devices\":[";
        for (std::size_t i = 0; i < result.devices.size(); ++i) {
            const auto& d = result.devices[i];
            o << (i ? "," : "") << "{\"ip\":" << J(d.IP) << ",\"mac\":" << J(d.MAC)
              << ",\"vendor\":" << J(U(d.Vendor)) << ",\"self\":" << (i == 0 ? "true" : "false")
              << ",\"address_count\":" << d.Addresses << "}";
        }
        o << "]}";
        std::cout << o.str() << "\n";
    } else {
        std::printf("%zu device(s) on %s (%zu addresses, %s, %lld ms)\n", result.devices.size(),
                    result.iface.c_str(), result.addressesScanned, result.method.c_str(),
                    static_cast<long long>(ms));
        if (!result.incomplete.empty())
            std::printf("incomplete: only the devices the system already knew (%s)\n",
                        result.incomplete.c_str());
        for (std::size_t i = 0; i < result.devices.size(); ++i) {
            const auto& d = result.devices[i];
            const std::string many =
                d.Addresses > 1 ? "  (answers for " + std::to_string(d.Addresses) + " addresses)"
                                : "";
            std::printf("%-15s  %-17s  %s%s%s\n", d.IP.c_str(), d.MAC.c_str(), U(d.Vendor).c_str(),
                        i == 0 ? "  (this computer)" : "", many.c_str());
        }
    }
    return 0;
}

// ---- system ----

int System(const Args& args, bool json) {
    if (!args.positional.empty()) return Usage("system takes no arguments");
    CSystemConfig config;
    std::string error;
    int cpuLoad = 0;
    const bool cpuOk = config.GetCpuUsage(cpuLoad, error) == 0;
    COMMON_MemoryStatus mem;
    const bool memOk = config.GetMemoryStatus(mem, error) == 0;
    std::string cpuText, memText, cpuId, diskSerial, localIp;
    GetCPU(cpuText);
    GetMemory(memText);
    GetHardwareInfo(cpuId, diskSerial);
    CIPtoTestingPC().GetLocalIP(localIp);
    std::vector<_ADAPTER_INFO> adapters;
    CAdapterInfo::GetAdapterInfo(adapters);
    COMMON_ServerAddress proxy;
    bool proxyOn = false;
    CIEMgr::GetIEProxy(proxy, proxyOn, error);
    CDialUp dial("", "");
    bool dialActive = false;
    std::string dialName, dialUser;
    CDialUp::GetActiveDialUp(dial, dialActive, dialName, DIAL_TYPE_ANY);
    if (dialActive) dial.GetStoredUserName(dialUser);
    unsigned long rx = 0, tx = 0;
    const bool fluxOk = CNetworkFlux::GetNetworkFlux(rx, tx) == 0;

    auto signal = [](const _ADAPTER_INFO& a) -> std::optional<int> {
        int level = 0;
        if (a.Wireless && CNetworkAdapter(a.AdapterName).GetSignalStrenghLevel(level) == 0)
            return level;
        return std::nullopt;
    };
    if (json) {
        std::ostringstream o;
        o << "{\"cpu\":{\"load_percent\":" << (cpuOk ? std::to_string(cpuLoad) : "null")
          << ",\"model\":" << J(U(cpuText)) << ",\"id\":" << J(U(cpuId)) << "}";
        o << ",\"memory\":{";
        if (memOk)
            o << "\"total_bytes\":" << mem.ullTotalPhys
              << ",\"available_bytes\":" << mem.ullAvailPhys
              << ",\"load_percent\":" << mem.dwMemoryLoad << ",";
        o << "\"text\":" << J(U(memText)) << "}";
        o << ",\"disk_serial\":" << J(U(diskSerial)) << ",\"local_ip\":" << J(localIp);
        o << ",\"adapters\":[";
        for (std::size_t i = 0; i < adapters.size(); ++i) {
            const auto& a = adapters[i];
            o << (i ? "," : "") << "{\"name\":" << J(a.AdapterName)
              << ",\"description\":" << J(a.Description) << ",\"mac\":" << J(a.MacAddress)
              << ",\"enabled\":" << (a.Enabled ? "true" : "false")
              << ",\"connected\":" << (a.Connected ? "true" : "false")
              << ",\"wireless\":" << (a.Wireless ? "true" : "false");
            if (const auto s = signal(a)) o << ",\"signal_level\":" << *s;
            o << ",\"addresses\":[";
            for (std::size_t k = 0; k < a.IpAddressList.size(); ++k)
                o << (k ? "," : "") << "{\"ip\":" << J(a.IpAddressList[k].IpAddress)
                  << ",\"mask\":" << J(a.IpAddressList[k].IpMask) << "}";
            o << "],\"gateways\":[";
            for (std::size_t k = 0; k < a.GatewayList.size(); ++k)
                o << (k ? "," : "") << J(a.GatewayList[k].IpAddress);
            o << "]}";
        }
        o << "],\"proxy\":{\"enabled\":" << (proxyOn ? "true" : "false");
        if (proxyOn) o << ",\"host\":" << J(proxy.Address) << ",\"port\":" << proxy.Port;
        o << "},\"dialup\":{\"active\":" << (dialActive ? "true" : "false");
        if (dialActive) o << ",\"name\":" << J(U(dialName)) << ",\"user\":" << J(U(dialUser));
        o << "},\"bytes\":";
        if (fluxOk)
            o << "{\"received\":" << rx << ",\"sent\":" << tx << "}";
        else
            o << "null";
        o << "}";
        std::cout << o.str() << "\n";
        return 0;
    }
    std::printf("processor  %s, load %s%%\n", U(cpuText).c_str(),
                cpuOk ? std::to_string(cpuLoad).c_str() : "?");
    if (memOk)
        std::printf("memory     %s, %llu MB available, load %u%%\n", U(memText).c_str(),
                    static_cast<unsigned long long>(mem.ullAvailPhys / (1024 * 1024)),
                    mem.dwMemoryLoad);
    std::printf("identity   processor %s, disk %s\n", U(cpuId).c_str(),
                diskSerial.empty() ? "-" : U(diskSerial).c_str());
    std::printf("local ip   %s\n", localIp.empty() ? "-" : localIp.c_str());
    for (const auto& a : adapters) {
        std::printf("adapter    %s  %s  %s%s", a.AdapterName.c_str(),
                    a.MacAddress.empty() ? "-" : a.MacAddress.c_str(), a.Enabled ? "up" : "down",
                    a.Wireless ? " wireless" : "");
        if (const auto s = signal(a)) std::printf(" signal %d/5", *s);
        for (const auto& ip : a.IpAddressList)
            std::printf("  %s/%s", ip.IpAddress.c_str(), ip.IpMask.c_str());
        for (const auto& g : a.GatewayList) std::printf("  gateway %s", g.IpAddress.c_str());
        std::printf("\n");
    }
    std::printf("proxy      %s\n",
                proxyOn ? (proxy.Address + ":" + std::to_string(proxy.Port)).c_str() : "none");
    std::printf("dial-up    %s\n",
                dialActive
                    ? (U(dialName) + (dialUser.empty() ? "" : ", user " + U(dialUser))).c_str()
                    : "none");
    if (fluxOk) std::printf("bytes      received %lu, sent %lu\n", rx, tx);
    return 0;
}

int Run(int argc, char** argv) {
    try {
        std::vector<std::string> rest;
        bool json = false;
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            if (a == "--help" || a == "-h") {
                std::cout << kUsage;
                return 0;
            }
            if (a == "--json")
                json = true;
            else
                rest.push_back(a);
        }
        if (rest.empty()) return Usage("no command given");
        const std::string command = rest.front();
        rest.erase(rest.begin());
        std::string error;
        std::optional<Args> args;
        if (command == "download") {
            if (!(args = Parse(rest, {"--duration-ms"}, {"--single", "--direct"}, error)))
                return Usage(error);
            return Download(*args, json);
        }
        if (command == "web") {
            if (!(args = Parse(rest, {"--timeout"}, {"--direct"}, error))) return Usage(error);
            return Web(*args, json);
        }
        if (command == "quality") {
            if (!(args = Parse(rest, {"--upload", "--seconds"}, {}, error))) return Usage(error);
            return Quality(*args, json);
        }
        if (command == "scan") {
            if (!(args = Parse(rest, {"--iface"}, {"--thorough", "--no-raw"}, error)))
                return Usage(error);
            return Scan(*args, json);
        }
        if (command == "system") {
            if (!(args = Parse(rest, {}, {}, error))) return Usage(error);
            return System(*args, json);
        }
        return Usage("unknown command " + command);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Arguments as UTF-8 from the system's command line, UTF-8 on the console.
    zeva::ProgramArguments args(argc, argv);
    return Run(args.argc(), args.argv());
}
