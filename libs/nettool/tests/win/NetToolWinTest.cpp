// The network tools' Windows half on the system it runs on. Nothing here
// sends to the machine's network: the scan itself cannot be tried under
// Wine (SendARP answers "not supported") and is left to the LAN bed on Linux.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AdapterInfo.h"
#include "DialUp.h"
#include "IPtoTestingPC.h"
#include "LanScan.h"
#include "LanScanSystem_p.h"
#include "NetworkAdapter.h"
#include "SocketSys.h"

TEST(WindowsNetTool, PrimaryInterfaceAndLocalAddressAreAnAdaptersOwn) {
    const std::string primary = zeva::lan::PrimaryInterface();
    if (primary.empty()) GTEST_SKIP() << "this machine has no adapter with an IPv4 address";
    _ADAPTER_INFO adapter;
    ASSERT_EQ(CAdapterInfo::GetAdapter(primary, adapter), 0) << primary;
    std::string ip;
    CIPtoTestingPC pc;
    ASSERT_EQ(pc.GetLocalIP(ip), 0);
    EXPECT_TRUE(zeva::sock::ParseIpv4(ip)) << ip;
    ASSERT_FALSE(adapter.IpAddressList.empty());
    EXPECT_EQ(ip, adapter.IpAddressList[0].IpAddress);
}

TEST(WindowsNetTool, AdaptersStatesAndSignalOfWiredOnes) {
    std::vector<tag_ADAPTER> ids;
    std::string error;
    ASSERT_EQ(CNetworkAdapter::RetrieveAdapterIdList(ids, error), 0) << error;
    std::vector<_ADAPTER_INFO> infos;
    ASSERT_EQ(CAdapterInfo::GetAdapterInfo(infos), 0);
    ASSERT_EQ(ids.size(), infos.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(ids[i].Id, infos[i].AdapterName);
        CNetworkAdapter nic(ids[i].Id);
        COMMON_eNicState state = NIC_STATE_UNKNOWN;
        EXPECT_EQ(nic.IsEnabled(state), 0);
        EXPECT_NE(state, NIC_STATE_UNKNOWN);
        bool wireless = true;
        ASSERT_EQ(nic.IsWirelessAdapter(wireless), 0);
        int level = 7;
        // A wired adapter has no signal; WLAN finds no adapter under Wine at all.
        if (!wireless) {
            EXPECT_EQ(nic.GetSignalStrenghLevel(level), -1);
            EXPECT_EQ(level, 0);
        }
    }
    CNetworkAdapter none("{00000000-0000-0000-0000-000000000000}");
    COMMON_eNicState state = NIC_STATE_UNKNOWN;
    EXPECT_EQ(none.IsEnabled(state), -1);
    int level = 7;
    EXPECT_EQ(none.GetSignalStrenghLevel(level), -1);
}

TEST(WindowsNetTool, DialUpWithoutConnectionsAndUnknownEntries) {
    bool active = true;
    std::string name = "x";
    ASSERT_EQ(CDialUp::GetActiveDialUp(active, name, DIAL_TYPE_ANY), 0);
    if (active) GTEST_SKIP() << "a dial-up connection is up on this machine";
    EXPECT_EQ(name, "");
    std::string user = "x";
    EXPECT_EQ(CDialUp("zeva-no-such-entry", "").GetStoredUserName(user), -1);
    EXPECT_EQ(user, "");
    EXPECT_EQ(CDialUp("", "").GetStoredUserName(user), -1);
    EXPECT_EQ(CDialUp(std::string(400, 'a'), "").GetStoredUserName(user), -1);
}

TEST(WindowsNetTool, NeighbourTableEntriesAreCompleteAndArpStaysOnLoopback) {
    std::vector<_ADAPTER_INFO> infos;
    ASSERT_EQ(CAdapterInfo::GetAdapterInfo(infos), 0);
    for (const auto& a : infos) {
        const zeva::lan::sys::Adapter adapter{a.AdapterName, a.Index, a.MacAddress};
        for (const auto& e : zeva::lan::sys::ResolvedNeighbours(adapter)) {
            EXPECT_TRUE(zeva::sock::ParseIpv4(e.ip)) << e.ip;
            EXPECT_EQ(e.mac.size(), 17u);
            EXPECT_EQ(e.iface, a.AdapterName);
        }
    }
    // A question about a loopback address never reaches a network. Wine has
    // no SendARP (error 50): the scan then falls back to the neighbour table.
    zeva::lan::ScanOptions options;
    options.rounds = 1;
    zeva::lan::sys::Found found;
    std::string error;
    const zeva::lan::sys::Adapter loop{"loopback", 1, ""};
    using zeva::lan::sys::ArpAsked;
    const ArpAsked asked =
        zeva::lan::sys::ArpScan(options, loop, 0x7F000001u, {0x7F000002u}, found, error);
    EXPECT_NE(asked, ArpAsked::NotPermitted);
    if (asked == ArpAsked::Unsupported) {
        EXPECT_NE(error.find("SendARP"), std::string::npos) << error;
    }
    EXPECT_TRUE(found.empty());
}
