// The name search against stand-in responders on loopback addresses: the
// packets, the cleaning of untrusted names, and the search's choice of
// name, its time budget and its cancellation.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "NamePackets.h"
#include "NameResponder.h"
#include "NameSearchTestSupport.h"
#include "NetNames.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::netnames;

namespace {}  // namespace

TEST(NamePackets, ReverseNamesOfAddresses) {
    struct Case {
        const char* ip;
        const char* reverse;
    };
    for (const Case& c : {Case{"192.168.1.23", "23.1.168.192.in-addr.arpa"},
                          Case{"10.0.0.1", "1.0.0.10.in-addr.arpa"}, Case{"", ""},
                          Case{"1.2.3", ""}, Case{"300.1.1.1", ""}, Case{"fe80::1", ""}}) {
        EXPECT_EQ(ReverseName(c.ip), c.reverse) << c.ip;
    }
}

TEST(NamePackets, NodeStatusAnswerGivesTheUniqueWorkstationName) {
    const Packet q = BuildNodeStatusQuery(0x1234);
    ASSERT_GE(q.size(), 50u);
    std::uint16_t id = 0;
    bool response = true;
    ASSERT_TRUE(ReadHeader(q.data(), q.size(), id, response));
    EXPECT_EQ(id, 0x1234);
    EXPECT_FALSE(response);

    struct Case {
        std::vector<NetBiosName> names;
        std::string computer;
    };
    const std::vector<Case> cases = {
        {{{"WORKGROUP", 0x00, true}, {"PC-ALICE", 0x00, false}}, "PC-ALICE"},
        {{{"FILES", 0x20, false}, {"NAS", 0x00, false}}, "NAS"},
        {{{"FILES", 0x20, false}, {"WORKGROUP", 0x00, true}}, "FILES"},
        {{{"WORKGROUP", 0x00, true}, {"__MSBROWSE__", 0x01, true}}, ""},
    };
    for (const Case& c : cases) {
        const Packet a = NameResponder::NodeStatusAnswer(7, c.names);
        std::vector<NetBiosName> names;
        ASSERT_TRUE(ParseNodeStatusReply(a.data(), a.size(), names));
        ASSERT_EQ(names.size(), c.names.size());
        EXPECT_EQ(ComputerNameOf(names), c.computer);
    }
}

TEST(NamePackets, MalformedAnswersAreRejected) {
    const Packet good = NameResponder::NodeStatusAnswer(7, {{"PC", 0x00, false}});
    std::vector<NetBiosName> names;
    // Every truncation of a valid answer is refused, never read past its end.
    for (std::size_t len = 0; len < good.size() - 46; ++len) {
        EXPECT_FALSE(ParseNodeStatusReply(good.data(), len, names)) << "length " << len;
    }
    Packet inflated = good;
    inflated[12 + 34 + 10] = 200;  // more names than the record holds
    EXPECT_FALSE(ParseNodeStatusReply(inflated.data(), inflated.size(), names));
    Packet question = BuildNodeStatusQuery(7);
    EXPECT_FALSE(ParseNodeStatusReply(question.data(), question.size(), names)) << "not an answer";

    const Packet q = BuildPtrQuery(9, "10.0.0.5", false);
    const Packet ptr = NameResponder::PtrAnswer(q, "box.lan", false);
    for (std::size_t len = 0; len < ptr.size(); ++len) {
        EXPECT_EQ(ParsePtrReply(ptr.data(), len), "") << "length " << len;
    }
    Packet looped = ptr;
    // The answer's name points at itself: a compression loop.
    const std::size_t answer = q.size();
    looped[answer] = 0xC0;
    looped[answer + 1] = static_cast<std::uint8_t>(answer);
    EXPECT_EQ(ParsePtrReply(looped.data(), looped.size()), "");
}

TEST(NamePackets, PointerAnswersOfDnsAndMulticastDns) {
    const Packet q = BuildPtrQuery(9, "10.0.0.5", true);
    ASSERT_FALSE(q.empty());
    for (bool mdns : {false, true}) {
        const Packet a = NameResponder::PtrAnswer(q, "printer.local", mdns);
        EXPECT_EQ(ParsePtrReply(a.data(), a.size()), "printer.local") << (mdns ? "mdns" : "dns");
    }
    Packet nxdomain(q.begin(), q.end());
    nxdomain[2] = 0x84;
    nxdomain[3] = 0x03;
    EXPECT_EQ(ParsePtrReply(nxdomain.data(), nxdomain.size()), "");
}

TEST(NamePackets, EscapedBytesOfNamesBecomeTheirBytesAgain) {
    const struct {
        std::string text, bytes;
    } cases[] = {
        {"printer.local", "printer.local"},
        {"\\229\\188\\160\\228\\184\\137\\231\\154\\132iPhone", "张三的iPhone"},
        {"a\\.b.local", "a.b.local"},
        {"back\\\\slash", "back\\slash"},
        {"q\\\"x\\;y", "q\"x;y"},
        {"\\000after", std::string("\0after", 6)},
        {"\\256", "256"},
        {"\\12", "12"},
        {"trail\\", "trail\\"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UnescapeName(c.text), c.bytes) << c.text;

    // A phone's own name in its pointer answer, as both services send it.
    const Packet q = BuildPtrQuery(9, "10.0.0.5", false);
    for (bool mdns : {false, true}) {
        const Packet a = NameResponder::PtrAnswer(q, "张三的iPhone.local", mdns);
        EXPECT_EQ(ParsePtrReply(a.data(), a.size()), "张三的iPhone.local");
    }
}

TEST(NameText, UntrustedNamesAreCleanedAndInTheSystemCodePage) {
    struct Case {
        std::string raw;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {"PC-ALICE", "PC-ALICE"},
        {"evil\x1b[2Jname\r\n", "evil[2Jname"},
        {"tab\tbell\a del\x7f", "tabbell del"},
        {"c1\xc2\x85mark", "c1mark"},
        {"rtl\xe2\x80\xaeoverride", "rtloverride"},
        {"host.example.lan.", "host.example.lan"},
        {"  padded  ", "padded"},
        {"\xe5\xbc\xa0\xe4\xb8\x89\xe7\x9a\x84\xe7\x94\xb5\xe8\x84\x91", "张三的电脑"},
        {std::string("nul\0after", 9), "nul"},
        {std::string(200, 'x'), std::string(kMaxNameChars, 'x')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanName(c.raw), Utf8ToAcp(c.utf8)) << c.utf8;
    }
    // A name in the system code page (NetBIOS names from a Chinese Windows).
    const std::string acpName = Utf8ToAcp("财务室");
    if (!AcpIsUtf8()) {
        EXPECT_EQ(CleanName(acpName), acpName);
    }
    // The cap counts characters, not bytes, and never splits one.
    std::string many;
    for (int i = 0; i < 100; ++i) many += "电";
    EXPECT_EQ(AcpToUtf8(CleanName(many)).size(), kMaxNameChars * 3);
}

TEST(NameText, TheLocalComputerHasAName) {
    const std::string name = LocalComputerName();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(CleanName(name), name) << "already clean";
}

TEST(NameSearch, LateAnswersAndSilentDevicesCostNoMoreThanTheBudget) {
    ResponderSet nb, dns;
    NameResponder::Config slow = Netbios("127.0.0.2", "SLOW");
    slow.delayMs = 3000;
    nb.Add(slow);
    NameResponder::Config slowDns = Ptr("127.0.0.2", "slow.lan", false);
    slowDns.delayMs = 3000;
    dns.Add(slowDns);
    LookupOptions o;
    o.netbiosPort = nb.Port();
    o.mdnsPort = nb.Port();
    o.dnsServers = "127.0.0.1:" + std::to_string(dns.Port());
    o.budgetMs = 700;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(LookupNames({"127.0.0.2", "127.0.0.7"}, o).empty());
    const long long took = MsSince(start);
    EXPECT_GE(took, 650);
    EXPECT_LT(took, 1300);
}

TEST(NameSearch, CancellationEndsTheSearchPromptly) {
    ResponderSet nb;
    nb.Add(Netbios("127.0.0.9", "UNASKED"));
    LookupOptions o;
    o.netbiosPort = nb.Port();
    o.mdnsPort = nb.Port();
    o.dns = false;
    o.budgetMs = 5000;
    int polls = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto found = LookupNames({"127.0.0.2"}, o, [&] { return ++polls > 2; });
    EXPECT_TRUE(found.empty());
    EXPECT_LT(MsSince(start), 500);
}

// Under Wine a datagram socket bound to a loopback address listens on the
// whole loopback interface, so stand-in devices live at 127.0.0.1 here; the
// cases with several devices are in NetNamesDevicesTest.cpp.
TEST(NameSearch, ADeviceIsNamedByEachServiceAlone) {
    struct Case {
        const char* what;
        bool netbios, mdns, dns;
        const char* name;
        NameSource source;
    };
    const Case cases[] = {
        {"NetBIOS", true, false, false, "PC-ALICE", NameSource::NetBios},
        {"multicast DNS", false, true, false, "alice-phone", NameSource::Mdns},
        {"DNS", false, false, true, "alice.lan", NameSource::Dns},
    };
    for (const Case& c : cases) {
        ResponderSet nb, mdns, dns;
        nb.Add(Netbios("127.0.0.1", "PC-ALICE"));
        mdns.Add(Ptr("127.0.0.1", "alice-phone.local", true));
        dns.Add(Ptr("127.0.0.1", "alice.lan", false));
        LookupOptions o;
        o.netbios = c.netbios;
        o.mdns = c.mdns;
        o.dns = c.dns;
        o.netbiosPort = nb.Port();
        o.mdnsPort = mdns.Port();
        o.dnsServers = "127.0.0.1:" + std::to_string(dns.Port());
        o.budgetMs = 3000;
        const auto start = std::chrono::steady_clock::now();
        const auto found = LookupNames({"127.0.0.1", "not-an-address"}, o);
        ASSERT_EQ(found.size(), 1u) << c.what;
        EXPECT_EQ(found[0].ip, "127.0.0.1") << c.what;
        EXPECT_EQ(found[0].name, c.name) << c.what;
        EXPECT_EQ(found[0].source, c.source) << c.what;
        EXPECT_LT(MsSince(start), 2500) << c.what << ": an answer ends the search";
    }
}

TEST(NameSearch, TheBestNameWinsWhenEveryServiceAnswers) {
    ResponderSet nb, mdns, dns;
    nb.Add(Netbios("127.0.0.1", "PC-\xE5\xBC\xA0\xE4\xB8\x89"));
    mdns.Add(Ptr("127.0.0.1", "alice-phone.local", true));
    dns.Add(Ptr("127.0.0.1", "alice.lan", false));
    LookupOptions o;
    o.netbiosPort = nb.Port();
    o.mdnsPort = mdns.Port();
    o.dnsServers = "127.0.0.1:" + std::to_string(dns.Port());
    o.budgetMs = 3000;
    const auto found = LookupNames({"127.0.0.1"}, o);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, Utf8ToAcp("PC-\xE5\xBC\xA0\xE4\xB8\x89"));
    EXPECT_EQ(found[0].source, NameSource::NetBios);
}
