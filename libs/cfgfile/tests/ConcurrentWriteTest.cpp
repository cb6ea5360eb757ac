// Several processes writing one enciphered file, and writers killed mid-write
// (zeva-cfg-writer, started as a user would).

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "CryptConfigFile.h"
#include "ProgramRunner.h"
#include "TestSupport.h"
#include "platform/AppPath.h"

using zeva::test::TempDir;

namespace {

std::filesystem::path Writer() {
    return zeva::test::ProgramPath("zeva-cfg-writer");
}

std::string Key(int writer, int i) {
    return "w" + std::to_string(writer) + "k" + std::to_string(i);
}

TEST(ConcurrentWrite, FourProcessesWritingDistinctKeysLoseNothing) {
    TempDir dir;
    const std::string path = zeva::AcpPath(dir / "UserConfig.dat");
    const std::string pathUtf8 = zeva::Utf8Path(dir / "UserConfig.dat");
    constexpr int kWriters = 4;
    constexpr int kWrites = 500;
    std::vector<int> children;
    for (int w = 0; w < kWriters; ++w) {
        const int pid = zeva::test::StartProgram(
            Writer(), {"distinct", pathUtf8, std::to_string(w), std::to_string(kWrites)},
            dir.path());
        ASSERT_GE(pid, 0);
        children.push_back(pid);
    }
    for (int pid : children) EXPECT_EQ(zeva::test::WaitProgram(pid), 0);
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
    const std::string path = zeva::AcpPath(dir / "Config.dat");
    const std::string pathUtf8 = zeva::Utf8Path(dir / "Config.dat");
    std::mt19937 rng(12345);
    int written = 0;
    for (int round = 0; round < 15; ++round) {
        const int pid = zeva::test::StartProgram(
            Writer(), {"forever", pathUtf8, std::to_string(written)}, dir.path());
        ASSERT_GE(pid, 0);
        // Starting a program takes a while (long under Wine): the kill lands
        // somewhere among its writes, once the first of them is done.
        const auto keyCount = [&] {
            CCryptConfigFile f(path, "");
            std::vector<std::string> keys;
            f.ReadSection("S", keys);
            return static_cast<int>(keys.size());
        };
        for (int i = 0; i < 3000 && keyCount() <= written; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 20000));
        ASSERT_TRUE(zeva::test::KillProgram(pid));
        EXPECT_EQ(zeva::test::WaitProgram(pid), -1);

        ASSERT_NE(zeva::cfg::InspectCryptFile(path), zeva::cfg::StoreState::Unreadable)
            << "round " << round;
        // What is there is every key written before the kill, in order.
        CCryptConfigFile f(path, "");
        std::vector<std::string> keys;
        f.ReadSection("S", keys);
        ASSERT_GT(static_cast<int>(keys.size()), written) << "round " << round;
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
