// Several processes writing one enciphered file, and writers killed mid-write.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "CryptConfigFile.h"
#include "TestSupport.h"

using zeva::test::TempDir;

namespace {

std::string Key(int writer, int i) {
    return "w" + std::to_string(writer) + "k" + std::to_string(i);
}

TEST(ConcurrentWrite, FourProcessesWritingDistinctKeysLoseNothing) {
    TempDir dir;
    const std::string path = (dir / "UserConfig.dat").string();
    constexpr int kWriters = 4;
    constexpr int kWrites = 500;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CCryptConfigFile f(path, "");
            int failures = 0;
            for (int i = 0; i < kWrites; ++i)
                failures += f.WriteString("S", Key(w, i), std::to_string(i)) != 0;
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CCryptConfigFile f(path, "");
    std::vector<std::string> keys;
    f.ReadSection("S", keys);
    EXPECT_EQ(keys.size(), static_cast<size_t>(kWriters * kWrites));
    int lost = 0;
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kWrites; ++i) lost += f.ReadInteger("S", Key(w, i), -1) != i;
    }
    EXPECT_EQ(lost, 0);
}

TEST(ConcurrentWrite, AWriterKilledMidWriteLeavesAReadableFile) {
    TempDir dir;
    const std::string path = (dir / "Config.dat").string();
    std::mt19937 rng(12345);
    int written = 0;
    for (int round = 0; round < 15; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CCryptConfigFile f(path, "");
            // Values grow so that writes take long enough to be interrupted.
            for (int i = written;; ++i)
                f.WriteString("S", "k" + std::to_string(i), std::string(2000, 'x'));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 20000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);

        ASSERT_NE(zeva::cfg::InspectCryptFile(path), zeva::cfg::StoreState::Unreadable)
            << "round " << round;
        // What is there is every key written before the kill, in order.
        CCryptConfigFile f(path, "");
        std::vector<std::string> keys;
        f.ReadSection("S", keys);
        ASSERT_GE(static_cast<int>(keys.size()), written);
        for (size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(keys[i], "k" + std::to_string(i));
        written = static_cast<int>(keys.size());
    }
    // The writes after all the kills still work, and leave no stray temporary files.
    CCryptConfigFile f(path, "");
    EXPECT_EQ(f.WriteString("S", "last", "1"), 0);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u);
}

}  // namespace
