// The Windows event log takes the records: Chinese text, control characters,
// text longer than a record holds. What the log then holds cannot be read back
// under Wine (ReadEventLog finds nothing there), so only the report is checked.
#include <gtest/gtest.h>

#include <string>

#include "EventLog.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

TEST(EventLogWin, ErrorEventsAreReportedWhateverTheirText) {
    zeva::test::ScopedEnv acp("ZEVA_ACP", std::nullopt);  // GBK
    std::string longText;
    for (int i = 0; i < 5000; ++i) longText += zeva::Acp("界");
    struct Case {
        std::string module;
        std::string message;
    };
    for (const Case& c :
         {Case{"ZEVAClient.exe", zeva::Acp("连接服务器失败，网络可能不畅通！")},
          Case{"ZEVASilentUpdate.exe", "a\nb\r\t<13>forged\x7F"},
          Case{"ZEVASilentUpdate.exe", longText}, Case{"bad module[1]:", "x"}, Case{"", ""}}) {
        EXPECT_EQ(WriteSysEventLog(c.module, "Tue May 12 17:05:07 2015", "UpdateJob.cpp",
                                   "UpdateJob::Run", 42, c.message, zeva::Acp("一般问题")),
                  0)
            << c.module;
    }
}
