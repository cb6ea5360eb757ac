// The record's text and source name, the same on both systems.
#include <gtest/gtest.h>

#include <regex>

#include "EventLog_p.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

using zeva::eventlog::RecordText;
using zeva::eventlog::SourceName;

TEST(EventLogRecord, OriginAndTextInUtf8FromTheSystemCodePage) {
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::nullopt);  // GBK
    EXPECT_EQ(
        RecordText("Tue May 12 17:05:07 2015", "DlgDownload", "CDlgDownload::OnBnClickedButtonTest",
                   198, zeva::Acp("连接服务器失败，网络可能不畅通！"), zeva::Acp("一般问题")),
        "[一般问题] 连接服务器失败，网络可能不畅通！ (DlgDownload "
        "CDlgDownload::OnBnClickedButtonTest:198, built Tue May 12 17:05:07 2015)");
}

TEST(EventLogRecord, ControlCharactersBecomeSpacesAndLongTextIsCutBetweenCharacters) {
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::string("UTF-8"));
    EXPECT_EQ(RecordText("t\x7F", "f", "fn", -1, "a\nb\r<13>forged\t", "c\x01"),
              "[c ] a b <13>forged  (f fn:-1, built t )");

    std::string longText;
    for (int i = 0; i < 1000; ++i) longText += "界";  // three bytes each
    const std::string cut = RecordText("t", "f", "fn", 1, longText, "c");
    EXPECT_LE(cut.size(), zeva::eventlog::kMaxText);
    EXPECT_GT(cut.size(), zeva::eventlog::kMaxText - 3);
    ASSERT_EQ(cut.rfind("[c] ", 0), 0u);
    EXPECT_EQ((cut.size() - 4) % 3, 0u);  // cut between characters, not inside one
}

TEST(EventLogRecord, SourceNamesArePrintableAsciiWithoutTagEnds) {
    struct Case {
        std::string module;
        std::string source;
    };
    for (const Case& c :
         {Case{"ZEVAClient.exe", "ZEVAClient.exe"}, Case{"bad module[1]:", "badmodule1"},
          Case{"", "zeva"}, Case{"\xD6\xD0\xCE\xC4", "zeva"},  // only non-ASCII bytes
          Case{std::string(40, 'x'), std::string(32, 'x')}}) {
        EXPECT_EQ(SourceName(c.module), c.source) << c.module;
    }
}

TEST(EventLogRecord, SyslogFormHasPriorityStampSourceAndProcess) {
    const std::string record = zeva::eventlog::SyslogRecord("ZEVAClient.exe", "[c] text", 42);
    EXPECT_TRUE(std::regex_match(
        record, std::regex(R"(<11>[A-Z][a-z]{2} [ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] )"
                           R"(ZEVAClient\.exe\[42\]: \[c\] text)")))
        << record;
}
