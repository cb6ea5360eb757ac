// The shared program runner: what a test sees of a program it starts.

#include <gtest/gtest.h>

#include "ProgramRunner.h"

using namespace zeva::test;

TEST(ProgramRunner, ExitCodeOutputsInputAndEnvironment) {
    RunOptions options;
    options.input = std::string(200000, 'x') + "\n";  // more than a pipe holds
    options.env = {{"ZEVA_RUNNER_SET", "yes"}, {"HOME", std::nullopt}};
    const RunResult r = RunProgram(
        "/bin/sh", {"-c", "wc -c; echo \"$ZEVA_RUNNER_SET-${HOME-unset}\" >&2; exit 3"}, options);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.out, "200001\n");
    EXPECT_EQ(r.err, "yes-unset\n");
}

TEST(ProgramRunner, AProgramPastItsTimeLimitIsKilled) {
    RunOptions options;
    options.timeout = std::chrono::milliseconds(200);
    const RunResult r = RunProgram("/bin/sh", {"-c", "echo started; exec sleep 30"}, options);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_EQ(r.out, "started\n");
}

TEST(ProgramRunner, AMissingProgramIsExit127) {
    const RunResult r = RunProgram("/nonexistent/zeva-none", {});
    EXPECT_EQ(r.exitCode, 127);
}
