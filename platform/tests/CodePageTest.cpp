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
    EXPECT_EQ(zeva::AcpToUtf8(zeva::Utf8ToAcp("连接服务器失败，网络可能不畅通！")),
              "连接服务器失败，网络可能不畅通！");
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
    EXPECT_EQ(zeva::Utf8ToAcp("a\xF0\x9F\x98\x80"
                              "b中"),
              "a?b\xD6\xD0");
    // 0xFF is never valid in GBK; a lone lead byte at the end is truncated input.
    EXPECT_EQ(zeva::AcpToUtf8("ab\xFF"
                              "cd"),
              "ab?cd");
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
                if (zeva::AcpToUtf8(zeva::Utf8ToAcp(kUtf8 + std::to_string(i))) !=
                    kUtf8 + std::to_string(i)) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace

namespace {

TEST(CodePage, CheckedConversionsRefuseWhatTheLossyOnesWouldAlter) {
    struct Case {
        const char* acp;  // ZEVA_ACP, null for the default
        bool toAcp;       // direction: UTF-8 to the code page, or back
        std::string in;
        std::string out;    // expected result, when it converts
        const char* error;  // expected part of the reason, when it does not
    };
    const std::vector<Case> cases = {
        {nullptr, true, kUtf8, kGbk, nullptr},
        {nullptr, false, kGbk, kUtf8, nullptr},
        {nullptr, true, "", "", nullptr},
        {nullptr, true, "a\xFF", "", "not valid UTF-8 (byte 2)"},
        {nullptr, true, "a\xFE", "", "not valid UTF-8"},
        {nullptr, true, "\xE4\xB8", "", "not valid UTF-8"},  // truncated
        {nullptr, true, "a\xF0\x9F\x98\x80", "", "U+1F600 has no form in GBK"},
        {nullptr, true, std::string("ab\0cd", 5), "", "NUL byte (byte 3)"},
        {nullptr, false, "ab\xFF", "", "not valid GBK"},
        {"UTF-8", true, "x\xC3\x28", "", "not valid UTF-8"},
        {"UTF-8", true, "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", nullptr},
        {"NO-SUCH-CODEPAGE", true, "ab", "", "unknown code page 'NO-SUCH-CODEPAGE'"},
        {"NO-SUCH-CODEPAGE", false, "ab", "", "unknown code page"},
    };
    for (const Case& c : cases) {
        ScopedEnv acp("ZEVA_ACP", c.acp ? std::optional<std::string>(c.acp) : std::nullopt);
        std::string out = "untouched";
        std::string error;
        const bool ok = c.toAcp ? zeva::Utf8ToAcpChecked(c.in, out, &error)
                                : zeva::AcpToUtf8Checked(c.in, out, &error);
        if (c.error == nullptr) {
            EXPECT_TRUE(ok) << c.in << ": " << error;
            EXPECT_EQ(out, c.out) << c.in;
        } else {
            EXPECT_FALSE(ok) << c.in;
            EXPECT_EQ(out, "untouched") << c.in;
            EXPECT_NE(error.find(c.error), std::string::npos) << c.in << ": " << error;
        }
    }
    // The lossy forms keep their behaviour for their callers.
    ScopedEnv acp("ZEVA_ACP", "NO-SUCH-CODEPAGE");
    EXPECT_EQ(zeva::Utf8ToAcp("a中"), "a?");
}

}  // namespace
