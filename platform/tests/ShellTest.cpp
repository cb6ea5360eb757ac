#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Shell, SplitsParametersLikeTheWindowsShell) {
    EXPECT_EQ(zeva::SplitCommandLine("-AutoRun"), (std::vector<std::string>{"-AutoRun"}));
    EXPECT_EQ(zeva::SplitCommandLine("  -t:2  \"-d:My Folder\" x"),
              (std::vector<std::string>{"-t:2", "-d:My Folder", "x"}));
    EXPECT_EQ(zeva::SplitCommandLine("\"\""), (std::vector<std::string>{""}));
    EXPECT_TRUE(zeva::SplitCommandLine("   ").empty());
}

TEST(Shell, QuotesArgumentsAsTheMicrosoftRuntimeReadsThem) {
    struct Case {
        std::string arg;
        std::string quoted;
    };
    const std::vector<Case> cases = {
        {"plain", "plain"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"C:\\Program Files\\", "\"C:\\Program Files\\\\\""},
        {"back\\slash", "back\\slash"},  // literal: no quote follows
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"tab\there", "\"tab\there\""},
        {"\xE4\xB8\xAD\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87"},
    };
    std::vector<std::string> args;
    std::string line;
    for (const Case& c : cases) {
        EXPECT_EQ(zeva::QuoteCommandLineArgument(c.arg), c.quoted) << c.arg;
        args.push_back(c.arg);
        line += (line.empty() ? "" : " ") + c.quoted;
    }
    EXPECT_EQ(zeva::JoinCommandLine(args), line);
}

TEST(Shell, OpensOnlyWebAddresses) {
    std::string error;
    EXPECT_FALSE(zeva::OpenUrl("--help", &error));
    EXPECT_FALSE(zeva::OpenUrl("javascript:alert(1)", &error));
    EXPECT_NE(error.find("not a web address"), std::string::npos);
}

}  // namespace
