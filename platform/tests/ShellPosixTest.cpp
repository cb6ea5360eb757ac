// Starting shell scripts detached: POSIX programs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "TestSupport.h"
#include "platform/Shell.h"

using zeva::test::ReadFile;
using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

TEST(Shell, StartsADetachedProgramWithArgumentsInItsDirectory) {
    TempDir dir;
    WriteFile(dir / "prog.sh", "#!/bin/sh\necho \"$PWD $1 $2\" > out.tmp && mv out.tmp out.txt\n");
    std::filesystem::permissions(dir / "prog.sh", std::filesystem::perms::owner_all);
    std::string error;
    ASSERT_TRUE(zeva::StartDetached(dir / "prog.sh", {"-AutoRun", "two words"}, dir.path(), &error))
        << error;
    // The program runs on its own; wait (bounded) for the file it writes.
    for (int i = 0; i < 500 && !std::filesystem::exists(dir / "out.txt"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadFile(dir / "out.txt"), dir.path().string() + " -AutoRun two words\n");
}

TEST(Shell, ReportsAProgramThatCannotStart) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(zeva::StartDetached(dir / "missing", {}, {}, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    WriteFile(dir / "plain.txt", "not a program");
    EXPECT_FALSE(zeva::StartDetached(dir / "plain.txt", {}, {}, &error));
    WriteFile(dir / "ok.sh", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(dir / "ok.sh", std::filesystem::perms::owner_all);
    EXPECT_FALSE(zeva::StartDetached(dir / "ok.sh", {}, dir / "no-such-dir", &error));
    EXPECT_FALSE(zeva::ShellExecuteOpen((dir / "missing").string(), "-AutoRun", "", &error));
}

}  // namespace
