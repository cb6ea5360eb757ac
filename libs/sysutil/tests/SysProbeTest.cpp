#include <gtest/gtest.h>

#include "SysProbe.h"

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

TEST(MemoryText, GigabytesWithOneDecimalMegabytesBelow) {
    EXPECT_EQ(MemoryText(8048064ull * 1024), "7.7GB");
    EXPECT_EQ(MemoryText(1024ull * 1024 * 1024), "1.0GB");
    EXPECT_EQ(MemoryText(512ull * 1024 * 1024), "512MB");
    EXPECT_EQ(MemoryText(0), "0MB");
}

TEST(Wildcards, MatchLikeTheSystemsFileSearch) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*.bak", "ZEVAClient.exe.bak", true},
        {"*.bak", "a.dll.BAK", true},
        {"*.BAK", "a.dll.bak", true},
        {"*.bak", "keep.dll", false},
        {"*.bak", ".bak", true},
        {"*", "", true},
        {"*", "anything", true},
        {"", "", true},
        {"", "x", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c",
         "a\xE6\xB5\x8B"
         "c",
         true},  // one character of three bytes
        {"*\xE6\xB5\x8B*", "\xE6\xB5\x8B\xE8\xAF\x95.bak", true},
        {"[ab]*.log", "b1.log", true},
        {"[ab]*.log", "c1.log", false},
        {"[!ab]*.log", "c1.log", true},
        {"[^ab]*.log", "a1.log", false},
        {"file[0-9].txt", "file7.txt", true},
        {"file[0-9].txt", "fileX.txt", false},
        {"[A-C]x", "bx", true},  // ranges ignore case too
        {"[]]x", "]x", true},
        {"[x", "[x", true},  // an open set is an ordinary '['
        {"*a*b*c", "xxaxxbxxc", true},
        {"*a*b*c", "xxaxxcxxb", false},
        {"**.bak", "x.bak", true},
        {"*.bak*", "x.bak.old", true},
        {"a*", "b", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
}
