#include <gtest/gtest.h>

#include "AdapterInfo.h"
#include "HardwareInfo.h"
#include "NetworkFlux.h"
#include "SysProbe.h"
#include "TestSupport.h"

using namespace zeva::probe;

namespace {

const std::string kRoot = std::string(ZEVA_PROBE_FIXTURES) + "/host1";

}  // namespace

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
