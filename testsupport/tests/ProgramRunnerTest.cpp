// The shared program runner: what a test sees of a program it starts, the
// same on every system.

#include <gtest/gtest.h>

#include "ProgramRunner.h"
#include "TestSupport.h"

using namespace zeva::test;

namespace {

std::filesystem::path Peer() {
    return ProgramPath("zeva-runner-peer");
}

}  // namespace

TEST(ProgramRunner, ExitCodeOutputsInputAndEnvironment) {
    ScopedEnv gone("ZEVA_RUNNER_GONE", "here");
    RunOptions options;
    options.input = std::string(200000, 'x') + "\n";  // more than a pipe holds
    options.env = {{"ZEVA_RUNNER_SET", "yes"}, {"ZEVA_RUNNER_GONE", std::nullopt}};
    const RunResult r = RunProgram(
        Peer(), {"count-input", "env", "ZEVA_RUNNER_SET", "env", "ZEVA_RUNNER_GONE", "exit", "3"},
        options);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.out, "200001\n");
    EXPECT_EQ(r.err, "yes\nunset\n");
}

TEST(ProgramRunner, ArgumentsArriveAsGiven) {
    // Spaces, quotes and backslashes survive the command line Windows builds
    // from them; non-ASCII text survives whatever the code page.
    const std::vector<std::string> cases = {"plain",
                                            "two words",
                                            "",
                                            "quote\"inside",
                                            "trailing\\",
                                            "back\\\\slash \"q\"",
                                            "\\\\server\\share\\",
                                            "tab\there",
                                            "中文 参数",
                                            "D:\\软件\\中文 目录\\"};
    std::vector<std::string> args{"echo-args"};
    args.insert(args.end(), cases.begin(), cases.end());
    const RunResult r = RunProgram(Peer(), args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string expected;
    for (const std::string& c : cases) expected += c + "\n";
    EXPECT_EQ(r.out, expected);
}

TEST(ProgramRunner, AProgramPastItsTimeLimitIsKilled) {
    RunOptions options;
    // Long enough for a loaded machine (or Wine) to start the program and let it print.
    options.timeout = std::chrono::seconds(3);
    const RunResult r = RunProgram(Peer(), {"hang"}, options);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_EQ(r.out, "started\n");
}

TEST(ProgramRunner, AMissingProgramIsExit127) {
    TempDir dir;
    const RunResult r = RunProgram(dir / "zeva-none", {});
    EXPECT_EQ(r.exitCode, 127);
}

TEST(ProgramRunner, StartedProgramsEndWithTheirStatusOrKilled) {
    TempDir dir;
    const int ends = StartProgram(Peer(), {"exit", "5"}, dir.path());
    ASSERT_GT(ends, 0);
    EXPECT_EQ(WaitProgram(ends), 5);

    const int hangs = StartProgram(Peer(), {"hang"}, dir.path());
    ASSERT_GT(hangs, 0);
    EXPECT_TRUE(KillProgram(hangs));
    EXPECT_EQ(WaitProgram(hangs), -1);
    EXPECT_EQ(StartProgram(dir / "zeva-none", {}, dir.path()), -1);
}
