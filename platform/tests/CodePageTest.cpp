#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

using zeva::test::ScopedEnv;

namespace {

// "中文测试" in GBK.
const std::string kGbk = "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4";
const std::string kUtf8 = "中文测试";

TEST(CodePage, GbkIsTheDefaultAndRoundTripsChinese) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    EXPECT_EQ(zeva::AcpName(), "GBK");
    EXPECT_EQ(zeva::AcpToUtf8(kGbk), kUtf8);
    EXPECT_EQ(zeva::Utf8ToAcp(kUtf8), kGbk);
    EXPECT_EQ(zeva::AcpToUtf8(zeva::Utf8ToAcp("连接服务器失败，网络可能不畅通！")), "连接服务器失败，网络可能不畅通！");
    EXPECT_EQ(zeva::Acp("未知"), "\xCE\xB4\xD6\xAA");
}

TEST(CodePage, InputEndsAtFirstNul) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    EXPECT_EQ(zeva::AcpToUtf8(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(zeva::Utf8ToAcp(std::string("\xE4\xB8\xAD\0\xE6\x96\x87", 7)), "\xD6\xD0");
    EXPECT_EQ(zeva::AcpToUtf8(""), "");
}

TEST(CodePage, UnconvertibleCharactersBecomeDefaultCharacterWithoutLosingTheRest) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    // An emoji has no GBK form.
    EXPECT_EQ(zeva::Utf8ToAcp("a\xF0\x9F\x98\x80" "b中"), "a?b\xD6\xD0");
    // 0xFF is never valid in GBK; a lone lead byte at the end is truncated input.
    EXPECT_EQ(zeva::AcpToUtf8("ab\xFF" "cd"), "ab?cd");
    EXPECT_EQ(zeva::AcpToUtf8("x\xD6"), "x?");
    // Invalid UTF-8 in the middle of valid text.
    EXPECT_EQ(zeva::Utf8ToAcp("\xC3(中"), "?(\xD6\xD0");
}

TEST(CodePage, AnotherCodePageThroughTheEnvironment) {
    ScopedEnv acp("ZEVA_ACP", "UTF-8");
    EXPECT_TRUE(zeva::AcpIsUtf8());
    EXPECT_EQ(zeva::AcpToUtf8(kUtf8), kUtf8);
    EXPECT_EQ(zeva::Utf8ToAcp(kUtf8), kUtf8);
    EXPECT_EQ(zeva::Acp("未知"), "未知");
    // Even the identity repairs invalid input rather than passing it on.
    EXPECT_EQ(zeva::AcpToUtf8("ok\xFF"), "ok?");
}

TEST(CodePage, UnknownCodePageKeepsAsciiOnly) {
    ScopedEnv acp("ZEVA_ACP", "NO-SUCH-CODEPAGE");
    EXPECT_EQ(zeva::Utf8ToAcp("abc中"), "abc?");
}

TEST(CodePage, LongTextRoundTrips) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    std::string utf8;
    for (int i = 0; i < 50000; ++i) utf8 += i % 3 == 0 ? "网络" : "ab";
    const std::string gbk = zeva::Utf8ToAcp(utf8);
    EXPECT_LT(gbk.size(), utf8.size());
    EXPECT_EQ(zeva::AcpToUtf8(gbk), utf8);
}

TEST(CodePage, ConvertsConcurrentlyOnManyThreads) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (size_t t = 0; t < failures.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                if (zeva::AcpToUtf8(zeva::Utf8ToAcp(kUtf8 + std::to_string(i))) != kUtf8 + std::to_string(i)) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
