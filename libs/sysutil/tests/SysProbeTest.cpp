#include <gtest/gtest.h>

#include "AdapterInfo.h"
#include "HardwareInfo.h"
#include "NetworkFlux.h"
#include "SysProbe.h"
#include "TestSupport.h"

using namespace zeva::probe;

namespace {

const std::string kRoot = std::string(ZEVA_PROBE_FIXTURES) + "/host1";

std::string Fixture(const std::string& rel) {
    return ReadText(kRoot + rel).value();
}

}  // namespace

TEST(ProcParsing, StatGivesBusyAndTotalAndLoadBetweenTwoReadings) {
    const auto t = ParseProcStat(Fixture("/proc/stat"));
    ASSERT_TRUE(t);
    // user nice system idle iowait irq softirq steal
    EXPECT_EQ(t->total, 55290u + 13029 + 192637 + 1066 + 221 + 62);
    EXPECT_EQ(t->busy, 55290u + 13029 + 221 + 62);
    EXPECT_EQ(CpuPercent({100, 1000}, {350, 1500}), 50);
    EXPECT_EQ(CpuPercent({100, 1000}, {100, 1000}), 0);  // no time passed
    EXPECT_EQ(CpuPercent({100, 1000}, {90, 900}), 0);    // counters went back
    EXPECT_FALSE(ParseProcStat("intr 1 2 3\n"));
    EXPECT_FALSE(ParseProcStat("cpu  12 x 3 4\n"));
}

TEST(ProcParsing, MeminfoPrefersAvailableAndFallsBackOnOldKernels) {
    const auto m = ParseMemInfo(Fixture("/proc/meminfo"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->totalBytes, 8048064ull * 1024);
    EXPECT_EQ(m->availableBytes, 2012016ull * 1024);
    EXPECT_EQ(m->swapFreeBytes, 1048574ull * 1024);
    const auto old =
        ParseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->availableBytes, 400u * 1024);
    EXPECT_FALSE(ParseMemInfo("SwapTotal: 1 kB\n"));
}

TEST(ProcParsing, NetDevRouteWirelessAndCpuinfo) {
    const auto dev = ParseNetDev(Fixture("/proc/net/dev"));
    ASSERT_EQ(dev.size(), 4u);
    EXPECT_EQ(dev[1].name, "eth0");
    EXPECT_EQ(dev[1].rxBytes, 4294967000ull);
    EXPECT_EQ(dev[1].txBytes, 120277u);

    const auto routes = ParseRoute(Fixture("/proc/net/route"));
    ASSERT_EQ(routes.size(), 3u);
    EXPECT_EQ(routes[0].iface, "eth0");
    EXPECT_EQ(routes[0].destination, "0.0.0.0");
    EXPECT_EQ(routes[0].gateway, "192.168.1.1");
    EXPECT_EQ(routes[0].flags, 3u);
    EXPECT_EQ(routes[1].destination, "192.168.1.0");
    EXPECT_EQ(routes[1].mask, "255.255.255.0");

    const auto wl = ParseWireless(Fixture("/proc/net/wireless"));
    ASSERT_EQ(wl.size(), 1u);
    EXPECT_EQ(wl[0].iface, "wlan0");
    EXPECT_DOUBLE_EQ(wl[0].quality, 58);
    EXPECT_DOUBLE_EQ(wl[0].level, -62);
    EXPECT_EQ(SignalLevel(wl[0]), 4);
    EXPECT_EQ(SignalLevel({"w", 0, -50}), 5);
    EXPECT_EQ(SignalLevel({"w", 0, -89}), 1);
    EXPECT_EQ(SignalLevel({"w", 35, 0}), 3);  // quality only: 50 %
    EXPECT_EQ(SignalLevel({"w", 70, 0}), 5);

    const auto cpu = ParseCpuInfo(Fixture("/proc/cpuinfo"));
    ASSERT_TRUE(cpu);
    EXPECT_EQ(cpu->processors, 2);
    EXPECT_EQ(cpu->modelName, "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
    EXPECT_EQ(cpu->family, 6u);
    EXPECT_EQ(cpu->model, 142u);
    EXPECT_FALSE(ParseCpuInfo("garbage\n"));
}

TEST(MacText, UpperCaseWithHyphensAndRejectsMalformedText) {
    EXPECT_EQ(FormatMac("3c:d9:2b:0a:1b:2c\n"), "3C-D9-2B-0A-1B-2C");
    EXPECT_EQ(FormatMac("00-11-22-33-44-55"), "00-11-22-33-44-55");
    EXPECT_EQ(FormatMac(""), "");
    EXPECT_EQ(FormatMac("00:11:22:33:44"), "");
    EXPECT_EQ(FormatMac("00:11:22:33:44:5g"), "");
    EXPECT_EQ(FormatMac("00:11:22:33:44:55:66"), "");
}

TEST(FluxCounters, TotalsWrapAt32BitsAndSurviveResetsAndVanishingInterfaces) {
    FluxAccumulator acc;
    acc.Update({{"eth0", 0xFFFFFF00ull, 10}});
    const std::uint32_t before = acc.Received();
    EXPECT_EQ(before, 0xFFFFFF00u);
    acc.Update({{"eth0", 0x100000100ull, 20}});  // 512 bytes later, past 2^32
    EXPECT_EQ(acc.Received(), 0x100u);
    EXPECT_EQ(static_cast<std::uint32_t>(acc.Received() - before), 512u);  // callers' subtraction
    acc.Update({{"eth0", 0x100000100ull, 20}, {"wlan0", 1000, 5}});        // a new interface
    EXPECT_EQ(static_cast<std::uint32_t>(acc.Received() - before), 1512u);
    acc.Update({{"wlan0", 1100, 5}});  // eth0 gone: nothing subtracted
    EXPECT_EQ(static_cast<std::uint32_t>(acc.Received() - before), 1612u);
    acc.Update({{"wlan0", 40, 6}});  // counter reset: its new value is new traffic
    EXPECT_EQ(static_cast<std::uint32_t>(acc.Received() - before), 1652u);
    EXPECT_EQ(acc.Sent(), 10u + 10 + 5 + 1);
}

TEST(FixtureMachine, FluxCountsOnlyRealInterfaces) {
    zeva::test::ScopedEnv root("ZEVA_SYSROOT", kRoot);
    unsigned long rx = 0, tx = 0;
    ASSERT_EQ(CNetworkFlux::GetNetworkFlux(rx, tx), 0);
    // eth0 + wlan0 + ppp0, loopback excluded, wrapped to 32 bits
    EXPECT_EQ(
        rx, static_cast<unsigned long>(static_cast<std::uint32_t>(4294967000ull + 5000000 + 100)));
    unsigned long rx2 = 0, tx2 = 0;
    ASSERT_EQ(CNetworkFlux::GetNetworkFlux(rx2, tx2), 0);
    EXPECT_EQ(rx2, rx);
    EXPECT_EQ(tx2, tx);
}

TEST(FixtureMachine, AdaptersWithAddressesGatewaysAndHardwareAddresses) {
    zeva::test::ScopedEnv root("ZEVA_SYSROOT", kRoot);
    std::vector<_ADAPTER_INFO> list;
    ASSERT_EQ(CAdapterInfo::GetAdapterInfo(list), 0);
    ASSERT_EQ(list.size(), 3u);  // loopback left out
    EXPECT_EQ(list[0].AdapterName, "eth0");
    EXPECT_EQ(list[0].MacAddress, "3C-D9-2B-0A-1B-2C");
    ASSERT_EQ(list[0].IpAddressList.size(), 1u);
    EXPECT_EQ(list[0].IpAddressList[0].IpAddress, "192.168.1.23");
    EXPECT_EQ(list[0].IpAddressList[0].IpMask, "255.255.255.0");
    ASSERT_EQ(list[0].GatewayList.size(), 1u);
    EXPECT_EQ(list[0].GatewayList[0].IpAddress, "192.168.1.1");
    EXPECT_TRUE(list[0].Enabled);
    EXPECT_FALSE(list[0].Wireless);
    EXPECT_TRUE(list[1].Wireless);
    EXPECT_TRUE(list[1].GatewayList.empty());
    EXPECT_TRUE(list[2].PointToPoint);
    EXPECT_EQ(list[2].MacAddress, "");
    _ADAPTER_INFO one;
    EXPECT_EQ(CAdapterInfo::GetAdapter("wlan0", one), 0);
    EXPECT_EQ(one.MacAddress, "F0-18-98-AA-BB-CC");
    EXPECT_EQ(CAdapterInfo::GetAdapter("../lo", one), -1);
    EXPECT_EQ(CAdapterInfo::GetAdapter("nosuch0", one), -1);
}

TEST(FixtureMachine, HardwareTexts) {
    zeva::test::ScopedEnv root("ZEVA_SYSROOT", kRoot);
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::string("UTF-8"));
    std::string cpuId, disk;
    ASSERT_EQ(GetHardwareInfo(cpuId, disk), 0);
    EXPECT_EQ(cpuId, "GenuineIntel-6-142-10");
    EXPECT_EQ(disk, "S3Z1NB0K123456A");
    std::string cpu, mem;
    ASSERT_EQ(GetCPU(cpu), 0);
    EXPECT_EQ(cpu, "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz x 2");
    ASSERT_EQ(GetMemory(mem), 0);
    EXPECT_EQ(mem, "7.7GB");
}

TEST(FixtureMachine, MissingFilesGiveFailuresNotGarbage) {
    zeva::test::TempDir empty;
    zeva::test::ScopedEnv root("ZEVA_SYSROOT", empty.path().string());
    unsigned long rx = 1, tx = 1;
    EXPECT_EQ(CNetworkFlux::GetNetworkFlux(rx, tx), -1);
    EXPECT_EQ(rx, 0u);
    std::vector<_ADAPTER_INFO> list;
    EXPECT_EQ(CAdapterInfo::GetAdapterInfo(list), -1);
    std::string a, b;
    EXPECT_EQ(GetHardwareInfo(a, b), -1);
    EXPECT_EQ(GetCPU(a), -1);
    EXPECT_EQ(GetMemory(a), -1);
}

TEST(LiveMachine, ProbesReadThisMachine) {
    std::vector<_ADAPTER_INFO> list;
    EXPECT_EQ(CAdapterInfo::GetAdapterInfo(list), 0);
    for (const auto& a : list) EXPECT_NE(a.AdapterName, "lo");
    unsigned long rx = 0, tx = 0;
    EXPECT_EQ(CNetworkFlux::GetNetworkFlux(rx, tx), 0);
    std::string cpu;
    EXPECT_EQ(GetCPU(cpu), 0);
    EXPECT_FALSE(cpu.empty());
}
