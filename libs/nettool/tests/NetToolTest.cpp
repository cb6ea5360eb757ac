#include <gtest/gtest.h>

#include <filesystem>

#include "DialUp.h"
#include "NetworkAdapter.h"
#include "SystemConfig.h"
#include "TestSupport.h"
#include "platform/Clock.h"

namespace fs = std::filesystem;
using zeva::test::ScopedEnv;

namespace {

const std::string kRoot = std::string(ZEVA_PROBE_FIXTURES) + "/host1";

// A writable copy of the fixture machine, for cases that change it.
struct MachineCopy {
    zeva::test::TempDir dir;
    fs::path root;
    MachineCopy() : root(dir / "root") { fs::copy(kRoot, root, fs::copy_options::recursive); }
};

}  // namespace

TEST(SystemConfig, MemoryFromMeminfoAndLoadOnTheProgramClock) {
    ScopedEnv root("ZEVA_SYSROOT", kRoot);
    CSystemConfig config;
    COMMON_MemoryStatus mem;
    std::string error;
    ASSERT_EQ(config.GetMemoryStatus(mem, error), 0);
    EXPECT_EQ(mem.ullTotalPhys, 8048064ull * 1024);
    EXPECT_EQ(mem.ullAvailPhys, 2012016ull * 1024);
    EXPECT_EQ(mem.dwMemoryLoad, 75u);

    // The first reading measures over an interval of the program clock, so
    // a manual clock lets it pass at once.
    zeva::ManualClock clock;
    clock.SetAutoAdvance(true);
    zeva::ScopedClock scoped(clock);
    int percent = -1;
    ASSERT_EQ(config.GetCpuUsage(percent, error), 0);
    EXPECT_EQ(percent, 0);  // the fixture's counters stand still
    EXPECT_GT(clock.Slept().count(), 0);
}

TEST(SystemConfig, MissingFilesAreErrors) {
    zeva::test::TempDir empty;
    ScopedEnv root("ZEVA_SYSROOT", empty.path().string());
    CSystemConfig broken;
    int percent = -1;
    std::string error;
    EXPECT_EQ(broken.GetCpuUsage(percent, error), -1);
    EXPECT_FALSE(error.empty());
    COMMON_MemoryStatus mem;
    EXPECT_EQ(broken.GetMemoryStatus(mem, error), -1);
}

TEST(DialUp, FindsTheRunningPppLinkItsPeerAndStoredUser) {
    ScopedEnv root("ZEVA_SYSROOT", kRoot);
    CDialUp dial("", "");
    bool active = false;
    std::string name;
    ASSERT_EQ(CDialUp::GetActiveDialUp(dial, active, name, DIAL_TYPE_ANY), 0);
    EXPECT_TRUE(active);
    EXPECT_EQ(name, "dsl-provider");
    EXPECT_EQ(dial.GetInterfaceName(), "ppp0");
    std::string user;
    ASSERT_EQ(dial.GetStoredUserName(user), 0);
    EXPECT_EQ(user, "zj12345678@adsl");

    ASSERT_EQ(CDialUp::GetActiveDialUp(active, name, DIAL_TYPE_PPPOE), 0);
    EXPECT_TRUE(active);  // the peer file loads the PPPoE plug-in
    ASSERT_EQ(CDialUp::GetActiveDialUp(active, name, DIAL_TYPE_MODEM), 0);
    EXPECT_FALSE(active);

    CDialUp other("other-peer", "");
    ASSERT_EQ(CDialUp::GetActiveDialUp(other, active, name, DIAL_TYPE_ANY), 0);
    EXPECT_FALSE(active);
    EXPECT_EQ(other.GetStoredUserName(user), -1);
    CDialUp hostile("../../etc/passwd", "");
    EXPECT_EQ(hostile.GetStoredUserName(user), -1);
}

TEST(DialUp, ALinkThatIsDownOrUnnamedIsReportedAsSuch) {
    MachineCopy m;
    ScopedEnv root("ZEVA_SYSROOT", m.root.string());
    zeva::test::WriteFile(m.root / "sys/class/net/ppp0/flags", "0x1090\n");  // not up
    bool active = true;
    std::string name;
    ASSERT_EQ(CDialUp::GetActiveDialUp(active, name, DIAL_TYPE_ANY), 0);
    EXPECT_FALSE(active);
    EXPECT_EQ(name, "");

    zeva::test::WriteFile(m.root / "sys/class/net/ppp0/flags", "0x10d1\n");
    fs::remove(m.root / "var/run/ppp0.pid");
    CDialUp dial("", "");
    ASSERT_EQ(CDialUp::GetActiveDialUp(dial, active, name, DIAL_TYPE_ANY), 0);
    EXPECT_TRUE(active);
    EXPECT_EQ(name, "ppp0");  // pppd's command line unknown
    std::string user;
    EXPECT_EQ(dial.GetStoredUserName(user), -1);
}

TEST(NetworkAdapter, StateAddressesWirelessAndSignal) {
    ScopedEnv root("ZEVA_SYSROOT", kRoot);
    std::vector<tag_ADAPTER> ids;
    std::string error;
    ASSERT_EQ(CNetworkAdapter::RetrieveAdapterIdList(ids, error), 0);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0].Id, "eth0");
    EXPECT_EQ(ids[1].Id, "wlan0");

    CNetworkAdapter eth("eth0"), wlan("wlan0"), ppp("ppp0"), none("nosuch9");
    COMMON_eNicState state = NIC_STATE_UNKNOWN;
    ASSERT_EQ(eth.IsEnabled(state), 0);
    EXPECT_EQ(state, NIC_STATE_ENABLED);
    EXPECT_EQ(none.IsEnabled(state), -1);
    _ADAPTER_INFO info;
    ASSERT_EQ(eth.RetrieveIPv4Data(info, false), 0);
    EXPECT_EQ(info.MacAddress, "3C-D9-2B-0A-1B-2C");
    bool wireless = true;
    ASSERT_EQ(eth.IsWirelessAdapter(wireless), 0);
    EXPECT_FALSE(wireless);
    int level = 0;
    EXPECT_EQ(eth.GetSignalStrenghLevel(level), -1);
    ASSERT_EQ(wlan.IsWirelessAdapter(wireless), 0);
    EXPECT_TRUE(wireless);
    ASSERT_EQ(wlan.GetSignalStrenghLevel(level), 0);
    EXPECT_EQ(level, 4);
    EXPECT_EQ(ppp.RetrieveIPv4Data(info, true), 0);
    EXPECT_EQ(info.MacAddress, "");
}

TEST(NetworkAdapter, DisabledAdapterAndAdapterWithoutAddress) {
    MachineCopy m;
    ScopedEnv root("ZEVA_SYSROOT", m.root.string());
    zeva::test::WriteFile(m.root / "sys/class/net/eth0/flags", "0x1002\n");
    zeva::test::WriteFile(m.root / "ifaddrs", "wlan0 10.0.0.5/24\n");
    CNetworkAdapter eth("eth0");
    COMMON_eNicState state = NIC_STATE_UNKNOWN;
    ASSERT_EQ(eth.IsEnabled(state), 0);
    EXPECT_EQ(state, NIC_STATE_DISABLED);
    _ADAPTER_INFO info;
    EXPECT_EQ(eth.RetrieveIPv4Data(info, true), -1);
    EXPECT_EQ(eth.RetrieveIPv4Data(info, false), 0);
    EXPECT_TRUE(info.IpAddressList.empty());
}
