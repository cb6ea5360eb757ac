#include "platform/FileStore.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "TestSupport.h"

using zeva::test::TempDir;

namespace {

TEST(FileStore, RewriteCreatesReplacesAndLeavesAlone) {
    TempDir dir;
    const auto path = dir / "f.txt";
    ASSERT_TRUE(zeva::RewriteFile(path, [](const std::string& cur) -> std::optional<std::string> {
        EXPECT_EQ(cur, "");
        return std::string("one");
    }));
    EXPECT_EQ(zeva::ReadWholeFile(path), "one");
    ASSERT_TRUE(zeva::RewriteFile(path, [](const std::string& cur) -> std::optional<std::string> {
        EXPECT_EQ(cur, "one");
        return std::nullopt;
    }));
    EXPECT_EQ(zeva::ReadWholeFile(path), "one");
    // No temporary files are left behind.
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u);
}

TEST(FileStore, ReportsAnUnwritableLocation) {
    std::string error;
    EXPECT_FALSE(zeva::RewriteFile(
        "/nonexistent-dir/x", [](const std::string&) { return std::string("x"); }, &error));
    EXPECT_NE(error.find("/nonexistent-dir/x"), std::string::npos);
    EXPECT_FALSE(zeva::ReadWholeFile("/nonexistent-dir/x"));
}

TEST(FileStore, ConcurrentRewritesLoseNoUpdate) {
    TempDir dir;
    const auto path = dir / "counter";
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                zeva::RewriteFile(path, [](const std::string& cur) -> std::optional<std::string> {
                    return std::to_string((cur.empty() ? 0 : std::stoi(cur)) + 1);
                });
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(zeva::ReadWholeFile(path), "200");
}

}  // namespace
