// The updater's command line.

#include <gtest/gtest.h>

#include "CommandLine.h"

using zeva::wizard::ParseCommandLine;

TEST(CommandLine, SilentMatchesAnyLeadingPartInAnyCase) {
    for (const char* arg : {"-s", "-S", "-sil", "-SILENT", "-silent", "-Silen"}) {
        EXPECT_TRUE(ParseCommandLine({arg}).silent) << arg;
    }
    for (const char* arg : {"-silently", "-x", "silent", "-sx", "--silent"}) {
        EXPECT_FALSE(ParseCommandLine({arg}).silent) << arg;
    }
    EXPECT_FALSE(ParseCommandLine({}).silent);
}

TEST(CommandLine, TypeAndFolderDefaultsPrefixesAndLimits) {
    auto o = ParseCommandLine({});
    EXPECT_EQ(o.updateType, 1);
    EXPECT_EQ(o.jobName, "");

    o = ParseCommandLine({"-t:2", "-d:Folder"});
    EXPECT_EQ(o.updateType, 2);
    EXPECT_EQ(o.jobName, "Folder");
    EXPECT_FALSE(o.silent);

    o = ParseCommandLine({"-T:7", "-D:plug"});
    EXPECT_EQ(o.updateType, 7);
    EXPECT_EQ(o.jobName, "plug");

    // Exactly the prefix is not enough; later arguments override earlier ones.
    o = ParseCommandLine({"-t:3", "-t:", "-d:a", "-d:", "-d:b", "-t:4"});
    EXPECT_EQ(o.updateType, 4);
    EXPECT_EQ(o.jobName, "b");

    // At most ten digits are read; at most 260 characters of the folder.
    EXPECT_EQ(ParseCommandLine({"-t:00000000051"}).updateType, 5);
    EXPECT_EQ(ParseCommandLine({"-t:abc"}).updateType, 0);
    const std::string longName(300, 'x');
    EXPECT_EQ(ParseCommandLine({"-d:" + longName}).jobName, std::string(260, 'x'));
}
