#include <gtest/gtest.h>

#include <unistd.h>

#include "EventLog.h"
#include "FakeSyslog.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

using zeva::test::FakeSyslog;

TEST(EventLog, OneErrorRecordWithOriginInUtf8) {
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::nullopt);  // GBK
    FakeSyslog log;
    ASSERT_TRUE(log.ok());
    const int line = 198;
    ASSERT_EQ(
        WriteSysEventLog("ZEVAClient.exe", "Tue May 12 17:05:07 2015", "DlgDownload",
                         "CDlgDownload::OnBnClickedButtonTest", line,
                         zeva::Acp("连接服务器失败，网络可能不畅通！"), zeva::Acp("一般问题")),
        0);
    const std::string record = log.Next();
    EXPECT_EQ(record.rfind("<11>", 0), 0u) << record;
    EXPECT_NE(record.find(" ZEVAClient.exe[" + std::to_string(getpid()) + "]: "), std::string::npos)
        << record;
    EXPECT_NE(
        record.find("[一般问题] 连接服务器失败，网络可能不畅通！ (DlgDownload "
                    "CDlgDownload::OnBnClickedButtonTest:198, built Tue May 12 17:05:07 2015)"),
        std::string::npos)
        << record;
}

TEST(EventLog, HostileTextCannotForgeRecordsAndLongTextIsCut) {
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::string("UTF-8"));
    FakeSyslog log;
    ASSERT_TRUE(log.ok());
    ASSERT_EQ(WriteSysEventLog("bad module[1]:", "t", "f", "fn", 1, "a\nb\r<13>forged", "c"), 0);
    const std::string record = log.Next();
    EXPECT_EQ(record.find('\n'), std::string::npos);
    EXPECT_NE(record.find(" badmodule1["), std::string::npos) << record;
    EXPECT_NE(record.find("a b <13>forged"), std::string::npos) << record;

    std::string longText;
    for (int i = 0; i < 1000; ++i) longText += "界";  // three bytes each
    ASSERT_EQ(WriteSysEventLog("m", "t", "f", "fn", 1, longText, "c"), 0);
    const std::string cut = log.Next();
    EXPECT_LT(cut.size(), 2048u);
    const auto body = cut.find("[c] ");
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ((cut.size() - body - 4) % 3, 0u);  // cut between characters, not inside one
}

TEST(EventLog, UnreachableLogIsAFailure) {
    zeva::test::TempDir dir;
    zeva::test::ScopedEnv env("ZEVA_SYSLOG_SOCKET", (dir / "none").string());
    EXPECT_EQ(WriteSysEventLog("m", "t", "f", "fn", 1, "x", "c"), -1);
}
