// The probes' Windows half against the system it runs on: what any Windows
// (and Wine) has, a loopback adapter, moving counters, sane figures.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "AdapterInfo.h"
#include "HardwareInfo.h"
#include "Interfaces_win.h"
#include "NetworkFlux.h"
#include "SysProbe.h"

using namespace zeva::probe;

namespace {

// Sends `bytes` from one end of a TCP connection on 127.0.0.1 to the other.
bool LoopbackTraffic(std::size_t bytes) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        closesocket(listener);
        return false;
    }
    const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    bool ok = connect(client, reinterpret_cast<sockaddr*>(&a), len) == 0;
    const SOCKET server = accept(listener, nullptr, nullptr);
    std::thread reader([&] {
        std::vector<char> buf(65536);
        std::size_t got = 0;
        while (got < bytes) {
            const int n = recv(server, buf.data(), static_cast<int>(buf.size()), 0);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
    });
    const std::vector<char> chunk(65536, 'x');
    for (std::size_t sent = 0; ok && sent < bytes; sent += chunk.size())
        ok = send(client, chunk.data(), static_cast<int>(chunk.size()), 0) > 0;
    shutdown(client, SD_SEND);
    reader.join();
    closesocket(client);
    closesocket(server);
    closesocket(listener);
    return ok;
}

}  // namespace

TEST(WindowsProbes, AdaptersIncludeLoopbackWhichTheAdapterListLeavesOut) {
    const auto all = win::ListAdapters();
    ASSERT_TRUE(all);
    const auto loop = std::find_if(all->begin(), all->end(),
                                   [](const win::SystemAdapter& a) { return a.loopback; });
    ASSERT_NE(loop, all->end());
    EXPECT_FALSE(loop->name.empty());
    EXPECT_NE(loop->index, 0u);
    bool has127 = false;
    for (const auto& [ip, mask] : loop->addresses) {
        if (ip == "127.0.0.1") has127 = true;
        EXPECT_FALSE(mask.empty());
    }
    EXPECT_TRUE(has127);
    for (const auto& a : *all) {
        // Hardware addresses are written as the Windows tools write them.
        if (!a.mac.empty()) {
            EXPECT_EQ(FormatMac(a.mac), a.mac);
        }
    }

    std::vector<_ADAPTER_INFO> list;
    ASSERT_EQ(CAdapterInfo::GetAdapterInfo(list), 0);
    EXPECT_EQ(list.size(), static_cast<std::size_t>(std::count_if(
                               all->begin(), all->end(), [](const win::SystemAdapter& a) {
                                   return !a.loopback && !a.tunnel;
                               })));
    std::vector<std::string> names;
    for (const auto& a : list) names.push_back(a.AdapterName);
    EXPECT_EQ(RealInterfaces(), names);
    EXPECT_EQ(std::find(names.begin(), names.end(), loop->name), names.end());

    _ADAPTER_INFO one;
    ASSERT_EQ(CAdapterInfo::GetAdapter(loop->name, one), 0);
    EXPECT_EQ(one.Index, loop->index);
    EXPECT_EQ(CAdapterInfo::GetAdapter("{no-such-adapter}", one), -1);
    EXPECT_EQ(CAdapterInfo::GetAdapter("", one), -1);
}

TEST(WindowsProbes, LoopbackCountersRiseWithTrafficOn127) {
    auto find = [](const std::vector<win::InterfaceCounters>& rows) {
        for (const auto& r : rows)
            if (r.loopback) return r;
        return win::InterfaceCounters{};
    };
    const auto before = win::ReadInterfaceCounters();
    ASSERT_TRUE(before);
    const auto first = find(*before);
    ASSERT_TRUE(first.loopback) << "no loopback row in the interface table";
    EXPECT_FALSE(first.counted);
    constexpr std::size_t kBytes = 4 << 20;
    ASSERT_TRUE(LoopbackTraffic(kBytes));
    const auto after = win::ReadInterfaceCounters();
    ASSERT_TRUE(after);
    const auto second = find(*after);
    EXPECT_GE(second.rxBytes - first.rxBytes, kBytes);
    EXPECT_GE(second.txBytes - first.txBytes, kBytes);

    // The machine's totals leave loopback out, and read the same way twice.
    const auto real = ReadRealInterfaceCounters();
    ASSERT_TRUE(real);
    for (const auto& c : *real) EXPECT_NE(c.name, first.key);
    unsigned long rx = 0, tx = 0, rx2 = 0, tx2 = 0;
    EXPECT_EQ(CNetworkFlux::GetNetworkFlux(rx, tx), 0);
    EXPECT_EQ(CNetworkFlux::GetNetworkFlux(rx2, tx2), 0);
}

TEST(WindowsProbes, MemoryAndProcessorFiguresAreSane) {
    const auto mem = ReadMemInfo();
    ASSERT_TRUE(mem);
    EXPECT_GT(mem->totalBytes, 64ull << 20);
    EXPECT_LE(mem->availableBytes, mem->totalBytes);
    EXPECT_GT(mem->availableBytes, 0u);
    EXPECT_EQ(MemoryText(mem->totalBytes), [&] {
        std::string text;
        GetMemory(text);
        return text;
    }());

    const auto t1 = ReadCpuTimes();
    ASSERT_TRUE(t1);
    EXPECT_LE(t1->busy, t1->total);
    EXPECT_GT(t1->total, 0u);
    // Some work, so the clock of the processor times moves.
    volatile unsigned long long sink = 0;
    for (unsigned long long i = 0; i < 50'000'000ull; ++i) sink = sink + i;
    const auto t2 = ReadCpuTimes();
    ASSERT_TRUE(t2);
    EXPECT_GE(t2->total, t1->total);
    EXPECT_GE(t2->busy, t1->busy);
    const int load = CpuPercent(*t1, *t2);
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);

    std::string cpu, id, disk;
    ASSERT_EQ(GetCPU(cpu), 0);
    EXPECT_FALSE(cpu.empty());
    ASSERT_EQ(GetHardwareInfo(id, disk), 0);
    ASSERT_EQ(id.size(), 16u) << id;
    EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
}

TEST(WindowsProbes, DefaultRoutesNameAdaptersAndGateways) {
    const auto routes = win::DefaultRoutes();
    const auto all = win::ListAdapters();
    ASSERT_TRUE(all);
    for (std::size_t i = 0; i < routes.size(); ++i) {
        EXPECT_NE(routes[i].gateway, "0.0.0.0");
        if (i > 0) {
            EXPECT_LE(routes[i - 1].metric, routes[i].metric);
        }
        // The adapter of a default route lists its gateway.
        for (const auto& a : *all) {
            if (a.index != routes[i].index) continue;
            const auto& g = a.gateways;
            EXPECT_NE(std::find(g.begin(), g.end(), routes[i].gateway), g.end());
        }
    }
}
