// zeva-backoffice ends cleanly on SIGTERM, after saying where it listened
// and what it received.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "TestSupport.h"
#include "ZEVAClientIntf.h"

extern char** environ;

using namespace zeva::test;

TEST(Program, EndsCleanlyOnSigterm) {
    TempDir dir;
    const auto portFile = dir / "port";
    const auto out = dir / "stdout";
    std::string program = ProgramPath("zeva-backoffice").string();
    std::vector<std::string> args = {program, "--port", "0", "--port-file", portFile.string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 400 && !std::filesystem::exists(portFile); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(std::filesystem::exists(portFile));
    const std::string url =
        "http://127.0.0.1:" + std::to_string(std::stoi(ReadFile(portFile))) + "/kelv/BService.ws";

    CZEVAClientIntf client;
    client.Initialize(url.c_str(), 3, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    int status = -1;
    EXPECT_EQ(client.GetAccountStatus("0577c12340000", status), 0);

    kill(pid, SIGTERM);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(WEXITSTATUS(wstatus), 0);
    const std::string text = ReadFile(out);
    EXPECT_NE(text.find("listening on " + url), std::string::npos) << text;
    EXPECT_NE(text.find("received getAccountStatus in0=0577c12340000"), std::string::npos) << text;
}
