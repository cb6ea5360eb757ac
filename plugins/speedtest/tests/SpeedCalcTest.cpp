// Rates, ratings and report lines of a download test.

#include <gtest/gtest.h>

#include "SpeedCalc.h"
#include "platform/CodePage.h"

using namespace speedtest;
using zeva::AcpToUtf8;

TEST(SpeedCalc, RateTextsSwitchUnitsAtTheirBounds) {
    struct Case {
        unsigned kb;
        const char* live;
        const char* average;
        const char* line;
    };
    for (const Case& c : {Case{0, "0KB/S", "0KB/秒", "约为0.0M宽带"},
                          Case{1023, "1023KB/S", "1023KB/秒", "约为8.0M宽带"},
                          Case{1024, "1.0MB/S", "1.0MB/秒", "约为8.0M宽带"},
                          Case{12800, "12.5MB/S", "12.5MB/秒", "约为100.0M宽带"},
                          Case{1048575, "1024.0MB/S", "1024.0MB/秒", "约为8192.0M宽带"},
                          Case{1048576, "1.0GB/S", "1024.0MB/秒", "约为8192.0M宽带"}}) {
        EXPECT_EQ(LiveRateText(c.kb), c.live) << c.kb;
        EXPECT_EQ(AcpToUtf8(AverageText(c.kb)), c.average) << c.kb;
        EXPECT_EQ(AcpToUtf8(LineRateText(c.kb)), c.line) << c.kb;
    }
}

TEST(SpeedCalc, RatesDivideByTheElapsedMilliseconds) {
    // 14.6 s at 1,000 KB/s: whole seconds (14) would report 1,042.
    EXPECT_EQ(RateOver(14600u * 1024u, 14600), 1000u);
    EXPECT_EQ(RateOver(512 * 1024, 500), 1024u) << "below one second";
    EXPECT_EQ(RateOver(1024 * 1024, 0), 0u) << "no time passed: no division by zero";
    EXPECT_EQ(RateOver(0xFFFFFFFFu, 1), 4194303999u) << "the whole 32-bit range";
}

TEST(SpeedCalc, ContractedRateFallsBackTo4096) {
    struct Case {
        const char* text;
        int kbits;
    };
    for (const Case& c : {Case{"102400", 102400}, Case{"4096", 4096}, Case{"0", 4096},
                          Case{"abc", 4096}, Case{"", 4096}, Case{"-5", 4096}, Case{" 2048", 2048},
                          Case{"512kb", 512}, Case{"99999999999", 0x7FFFFFFF}})
        EXPECT_EQ(ContractedKbits(c.text), c.kbits) << c.text;
}

TEST(SpeedCalc, RatingBoundsBelongToTheLowerWord) {
    struct Case {
        unsigned average;
        int contracted;
        Rating rating;
        const char* word;
    };
    for (const Case& c :
         {Case{1024, 10240, Rating::Fair, "一般"},  // exactly 0.8
          Case{1025, 10240, Rating::Good, "很好"}, Case{768, 10240, Rating::Slow, "偏慢"},  // 0.6
          Case{769, 10240, Rating::Fair, "一般"}, Case{0, 4096, Rating::Slow, "偏慢"},
          Case{12000, 102400, Rating::Good, "很好"}}) {
        EXPECT_EQ(RateLine(c.average, c.contracted), c.rating) << c.average;
        EXPECT_EQ(AcpToUtf8(RatingWord(c.rating)), c.word);
    }
    EXPECT_EQ(AcpToUtf8(RatingAdvice(Rating::Slow)),
              "您可以尝试在不同时段多次测试，或打开网速分析报告来找查找原因。");
    // The 100M line of the emulator's data rated on a 100M-like average: with
    // the old MaxValue "12800" every line of 1.3 MB/s and more read "很好".
    EXPECT_EQ(RateLine(1400, ContractedKbits("102400")), Rating::Slow);
}

TEST(SpeedCalc, OtherTrafficIsWhatTheEngineDidNotCount) {
    EXPECT_EQ(OtherDownRate(1000, 930), 0u) << "exactly the engine's share";
    EXPECT_EQ(OtherDownRate(1100, 930), 100u);
    EXPECT_EQ(OtherDownRate(10, 930), 0u);
}

TEST(SpeedCalc, LanDevicesLeaveOutTheGatewayThatAnswered) {
    const std::vector<AdapterFacts> adapters = {
        {{"10.0.0.5"}, {"10.0.0.1"}, "AA-BB-CC-DD-EE-01"},
        {{"192.168.1.10"}, {"192.168.1.1"}, "00-11-22-33-44-55"}};
    struct Case {
        int scanned;
        std::vector<std::string> answered;
        std::string local;
        unsigned count;
    };
    for (const Case& c :
         {Case{3, {"192.168.1.10", "192.168.1.1", "192.168.1.20"}, "192.168.1.10", 2},
          Case{2, {"192.168.1.10", "192.168.1.20"}, "192.168.1.10", 2},
          Case{2, {"192.168.1.10", "10.0.0.1"}, "192.168.1.10", 2},
          Case{2, {"10.0.0.5", "10.0.0.1"}, "10.0.0.5", 1},
          Case{1, {"192.168.1.10"}, "192.168.1.10", 1},
          Case{2, {"192.168.1.10", "192.168.1.1"}, "172.16.0.2", 2},
          Case{-1, {}, "192.168.1.10", 0}})
        EXPECT_EQ(LanDeviceCount(c.scanned, c.answered, c.local, adapters), c.count)
            << c.scanned << c.local;
}

TEST(SpeedCalc, MachineAddressSkipsEmptyAndZeroAddresses) {
    EXPECT_EQ(MachineAddress(
                  {{{}, {}, ""}, {{}, {}, "00-00-00-00-00-00"}, {{}, {}, "00-1A-2B-3C-4D-5E"}}),
              "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(MachineAddress({{{}, {}, "00-00-00-00-00-00"}}), "");
    EXPECT_EQ(MachineAddress({}), "");
}

TEST(SpeedCalc, ReportLinesAndTheirHints) {
    struct Case {
        ReportLine line;
        const char* text;
        bool hint;
    };
    for (const Case& c : {Case{CpuLine(80), "CPU占用：80% 正常", false},
                          Case{CpuLine(81), "CPU占用：81% 偏高", true},
                          Case{MemoryLine(80), "内存占用：80% 正常", false},
                          Case{MemoryLine(95), "内存占用：95% 偏高", true},
                          Case{LanLine(false), "局域网内无多人共享", false},
                          Case{LanLine(true), "局域网内有多台设备共享网络", true},
                          Case{TrafficLine(20), "宽带占用 无程序占用", false},
                          Case{TrafficLine(21), "宽带占用 21KB/S", true},
                          Case{ProxyLine(true), "代理设置 有代理服务器设置", true},
                          Case{ProxyLine(false), "代理设置  无代理设置", false}}) {
        EXPECT_EQ(AcpToUtf8(c.line.text), c.text);
        EXPECT_EQ(c.line.hint, c.hint) << c.text;
    }
}
