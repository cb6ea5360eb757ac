#include <gtest/gtest.h>

#include "IPtoTestingPC.h"
#include "LanScan.h"
#include "SocketSys.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

using namespace zeva::lan;

namespace {

std::uint32_t Ip(const char* dotted) {
    return zeva::sock::ParseIpv4(dotted).value();
}

constexpr char kOuiSample[] =
    "OUI/MA-L                                                    Organization\n"
    "company_id                                                  Organization\n"
    "\n"
    "00-1A-11   (hex)\t\tGoogle, Inc.\n"
    "001A11     (base 16)\t\tGoogle, Inc.\n"
    "\t\t\t\t1600 Amphitheatre Parkway\n"
    "\n"
    "28-6E-D4   (hex)\t\tHUAWEI TECHNOLOGIES CO.,LTD\n"
    "286ED4     (base 16)\t\tHUAWEI TECHNOLOGIES CO.,LTD\n"
    "\n"
    "00-E0-4C   (hex)\t\tREALTEK SEMICONDUCTOR CORP.  \r\n"
    "00-E0-4X   (hex)\t\tBroken line\n";

}  // namespace

TEST(Oui, LookupByPrefixInEitherNotation) {
    const auto db = OuiDatabase::FromText(kOuiSample);
    EXPECT_EQ(db.size(), 3u);
    EXPECT_EQ(db.Lookup("00-1A-11-22-33-44"), "Google, Inc.");
    EXPECT_EQ(db.Lookup("28:6e:d4:00:00:01"), "HUAWEI TECHNOLOGIES CO.,LTD");
    EXPECT_EQ(db.Lookup("00-E0-4C-01-02-03"), "REALTEK SEMICONDUCTOR CORP.");
    EXPECT_EQ(db.Lookup("00-1A-12-00-00-00"), "");
    EXPECT_EQ(db.Lookup("zz"), "");
    EXPECT_EQ(OuiDatabase::FromFile("/nonexistent/oui.txt").size(), 0u);
}

TEST(Oui, VendorTextLabelsRandomizedAndUnknownAddresses) {
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::string("UTF-8"));
    const auto db = OuiDatabase::FromText(kOuiSample);
    EXPECT_EQ(VendorText("00-1A-11-22-33-44", db), "Google, Inc.");
    EXPECT_TRUE(IsLocallyAdministered("02-00-00-00-00-01"));
    EXPECT_TRUE(IsLocallyAdministered("DA-A1-19-00-00-01"));
    EXPECT_FALSE(IsLocallyAdministered("00-1A-11-22-33-44"));
    EXPECT_EQ(VendorText("DA-A1-19-00-00-01", db), "随机地址(randomized)");
    EXPECT_EQ(VendorText("00-00-01-00-00-01", db), "未知厂商");
}

TEST(Oui, DebianListIsReadWhenInstalled) {
    const auto db = OuiDatabase::FromFile("/usr/share/ieee-data/oui.txt");
    if (db.size() == 0) GTEST_SKIP() << "ieee-data is not installed";
    EXPECT_GT(db.size(), 20000u);
    EXPECT_EQ(db.Lookup("B8-27-EB-00-00-00"), "Raspberry Pi Foundation");
}

TEST(ScanTargets, SubnetHostsWithoutOwnAddressAndCapped) {
    auto t = ScanTargets(Ip("192.168.1.23"), Ip("255.255.255.0"));
    ASSERT_EQ(t.size(), 253u);  // .1-.254 without .23
    EXPECT_EQ(t.front(), Ip("192.168.1.1"));
    EXPECT_EQ(t.back(), Ip("192.168.1.254"));
    EXPECT_EQ(std::count(t.begin(), t.end(), Ip("192.168.1.23")), 0);

    t = ScanTargets(Ip("10.0.0.1"), Ip("255.255.255.252"));  // /30
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0], Ip("10.0.0.2"));
    t = ScanTargets(Ip("10.0.0.0"), Ip("255.255.255.254"));  // /31 point-to-point
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0], Ip("10.0.0.1"));
    EXPECT_TRUE(ScanTargets(Ip("10.0.0.1"), Ip("255.255.255.255")).empty());
    EXPECT_TRUE(ScanTargets(Ip("10.0.0.1"), Ip("255.0.255.0")).empty());  // not a mask

    t = ScanTargets(Ip("10.1.200.7"), Ip("255.255.0.0"));  // /16: the 1,024 around us
    ASSERT_EQ(t.size(), 1023u);
    EXPECT_EQ(t.front(), Ip("10.1.200.0"));
    EXPECT_EQ(t.back(), Ip("10.1.203.255"));
    t = ScanTargets(Ip("10.1.0.9"), Ip("255.255.252.0"));  // /22 fits exactly
    EXPECT_EQ(t.size(), 1021u);
    t = ScanTargets(Ip("10.0.0.9"), Ip("255.0.0.0"), 1000);  // a cap that is no power of two
    EXPECT_EQ(t.size(), 510u);
    EXPECT_EQ(t.front(), Ip("10.0.0.1"));
}

TEST(NeighbourTable, ParsesProcNetArp) {
    const auto rows = ParseArpTable(
        "IP address       HW type     Flags       HW address            Mask     Device\n"
        "192.168.1.1      0x1         0x2         3c:d9:2b:0a:1b:2c     *        eth0\n"
        "192.168.1.77     0x1         0x0         00:00:00:00:00:00     *        eth0\n"
        "10.0.0.9         0x1         0x6         da:a1:19:00:00:01     *        wlan0\n");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].ip, "192.168.1.1");
    EXPECT_EQ(rows[0].mac, "3C-D9-2B-0A-1B-2C");
    EXPECT_EQ(rows[0].flags, 2u);
    EXPECT_EQ(rows[1].flags, 0u);
    EXPECT_EQ(rows[2].iface, "wlan0");
}

TEST(Scanner, UnknownInterfaceIsAnErrorNotAnEmptyNetwork) {
    ScanOptions opt;
    opt.iface = "nosuch-if9";
    ScanResult result;
    std::string error;
    EXPECT_EQ(ScanLan(opt, result, error), -1);
    EXPECT_NE(error.find("nosuch-if9"), std::string::npos);
    opt.iface = "lo";  // loopback has no neighbours to ask
    EXPECT_EQ(ScanLan(opt, result, error), -1);
}

TEST(Scanner, AHardwareAddressAnsweringForManyAddressesIsOneDevice) {
    // This computer, a device and a router answering for every other address.
    std::vector<IP_MAC> found{{"192.168.0.10", "00-1B-21-AA-00-01", "Intel"},
                              {"192.168.0.1", "28-6E-D4-00-00-01", "HUAWEI"}};
    for (int i = 2; i < 1023; ++i) {
        const std::string ip = "192.168." + std::to_string(i / 256) + "." + std::to_string(i % 256);
        if (ip == "192.168.0.10") continue;
        found.push_back({ip, i == 20 ? "00-1A-11-00-00-14" : "28-6E-D4-00-00-01", "x"});
    }
    found.push_back({"192.168.3.255", "", "unknown"});
    found.push_back({"192.168.3.254", "", "unknown"});
    const auto folded = FoldSharedHardware(found);
    ASSERT_EQ(folded.size(), 5u);
    EXPECT_EQ(folded[0].IP, "192.168.0.10") << "this computer stays first";
    EXPECT_EQ(folded[0].Addresses, 1u);
    EXPECT_EQ(folded[1].IP, "192.168.0.1") << "the router at its first address";
    EXPECT_EQ(folded[1].Vendor, "HUAWEI");
    EXPECT_EQ(folded[1].Addresses, 1020u);
    EXPECT_EQ(folded[2].IP, "192.168.0.20");
    EXPECT_EQ(folded[2].Addresses, 1u);
    EXPECT_EQ(folded[3].IP, "192.168.3.255") << "no hardware address: nothing to fold by";
    EXPECT_EQ(folded[4].IP, "192.168.3.254");

    // Folding what is folded already keeps the counts.
    std::vector<IP_MAC> twice = folded;
    twice.push_back({"192.168.0.2", "28-6E-D4-00-00-01", "HUAWEI", 3});
    EXPECT_EQ(FoldSharedHardware(twice)[1].Addresses, 1023u);
}
