// Several stand-in devices at different loopback addresses sharing one
// port, as the search asks every device on the same port.
#include <gtest/gtest.h>

#include <chrono>

#include "NameSearchTestSupport.h"
#include "NetNames.h"
#include "platform/CodePage.h"

using namespace zeva::netnames;
using zeva::Utf8ToAcp;

TEST(NameSearch, EachDeviceGetsItsBestNameFromWhicheverServiceAnswers) {
    ResponderSet nb, mdns, dns;
    nb.Add(Netbios("127.0.0.2", "PC-ALICE"));
    mdns.Add(Ptr("127.0.0.2", "alice-phone.local", true));
    mdns.Add(Ptr("127.0.0.3", "printer.local", true));
    NameResponder::Config d = Ptr("127.0.0.4", "router-client-4.lan", false);
    d.ptr["127.0.0.3"] = "printer-by-dns.lan";
    dns.Add(d);
    nb.Add(Netbios("127.0.0.6",
                   "bad\x1b"
                   "name"));

    LookupOptions o;
    o.netbiosPort = nb.Port();
    o.mdnsPort = mdns.Port();
    o.dnsServers = "127.0.0.1:" + std::to_string(dns.Port());
    o.budgetMs = 1500;
    const auto start = std::chrono::steady_clock::now();
    const auto found =
        LookupNames({"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"}, o);
    const long long took = MsSince(start);

    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].ip, "127.0.0.2");
    EXPECT_EQ(found[0].name, "PC-ALICE");
    EXPECT_EQ(found[0].source, NameSource::NetBios);
    EXPECT_EQ(found[1].ip, "127.0.0.3");
    EXPECT_EQ(found[1].name, "printer") << "multicast DNS before DNS, without .local";
    EXPECT_EQ(found[1].source, NameSource::Mdns);
    EXPECT_EQ(found[2].ip, "127.0.0.4");
    EXPECT_EQ(found[2].name, "router-client-4.lan");
    EXPECT_EQ(found[2].source, NameSource::Dns);
    EXPECT_EQ(found[3].ip, "127.0.0.6");
    EXPECT_EQ(found[3].name, "badname");
    EXPECT_LT(took, o.budgetMs + 500) << "bounded by the budget";
}

TEST(NameSearch, MulticastDnsNamesThatAreNotAsciiArriveWhole) {
    ResponderSet mdns, dns;
    mdns.Add(Ptr("127.0.0.2", "张三的iPhone.local", true));
    mdns.Add(Ptr("127.0.0.3", "Li\\.Si\\\\Pad.local", true));
    dns.Add(Ptr("127.0.0.9", "x", false));
    LookupOptions o;
    o.netbiosPort = mdns.Port();
    o.mdnsPort = mdns.Port();
    o.dnsServers = "127.0.0.1:" + std::to_string(dns.Port());
    o.budgetMs = 1500;
    const auto found = LookupNames({"127.0.0.2", "127.0.0.3"}, o);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, Utf8ToAcp("张三的iPhone"));
    EXPECT_EQ(found[0].source, NameSource::Mdns);
    EXPECT_EQ(found[1].name, "Li.Si\\Pad") << "a dot and a backslash inside a label";
}

TEST(NameSearch, EndsEarlyWhenEveryDeviceHasItsNetbiosName) {
    ResponderSet nb, dns;
    nb.Add(Netbios("127.0.0.2", "ONE"));
    nb.Add(Netbios("127.0.0.3", "TWO"));
    dns.Add(Ptr("127.0.0.9", "x", false));
    LookupOptions o;
    o.netbiosPort = nb.Port();
    o.mdnsPort = nb.Port();
    o.dnsServers = "127.0.0.1:" + std::to_string(dns.Port());
    o.budgetMs = 5000;
    const auto start = std::chrono::steady_clock::now();
    const auto found = LookupNames({"127.0.0.2", "127.0.0.3"}, o);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1].name, "TWO");
    EXPECT_LT(MsSince(start), 2500);
}

TEST(NameSearch, OnlyDevicesThatAnswerAreNamedAndTextsThatAreNoAddressAreSkipped) {
    ResponderSet nb;
    nb.Add(Netbios("127.0.0.8", "IMPOSTOR"));
    LookupOptions o;
    o.netbiosPort = nb.Port();
    o.mdns = false;
    o.dns = false;
    o.budgetMs = 600;
    const auto found = LookupNames({"127.0.0.2", "127.0.0.8", "not-an-address"}, o);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].ip, "127.0.0.8");
}
