#include "platform/FileStore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
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

TEST(FileStore, RewriteWritesThroughSymbolicLinks) {
    TempDir dir;
    std::filesystem::create_directories(dir / "real");
    zeva::test::WriteFile(dir / "real" / "a.dat", "a");
    struct Case {
        std::string link;
        std::filesystem::path target;  // as the link stores it
        std::filesystem::path file;    // the file it finally names
        std::string after;
    };
    const std::vector<Case> cases = {
        {"absolute", dir / "real" / "a.dat", dir / "real" / "a.dat", "a+absolute"},
        {"relative", "real/a.dat", dir / "real" / "a.dat", "a+absolute+relative"},
        {"chain", "absolute", dir / "real" / "a.dat", "a+absolute+relative+chain"},
        {"dangling", "real/new.dat", dir / "real" / "new.dat", "+dangling"},
    };
    for (const Case& c : cases) {
        std::filesystem::create_symlink(c.target, dir / c.link);
        std::string error;
        ASSERT_TRUE(zeva::RewriteFile(
            dir / c.link, [&](const std::string& cur) { return cur + "+" + c.link; }, &error))
            << c.link << ": " << error;
        EXPECT_TRUE(std::filesystem::is_symlink(dir / c.link)) << c.link;
        EXPECT_EQ(zeva::ReadWholeFile(c.file), c.after) << c.link;
    }
    ASSERT_TRUE(zeva::ReplaceFileContent(dir / "relative", "whole"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "relative"));
    EXPECT_EQ(zeva::ReadWholeFile(dir / "real" / "a.dat"), "whole");
}

TEST(FileStore, FifosAndDirectoriesAreRefusedWithoutBlocking) {
    TempDir dir;
    const auto fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directories(dir / "sub");
    // Run where a blocked call cannot hang the test run.
    auto results = std::async(std::launch::async, [&] {
        std::vector<bool> ok;
        std::string error;
        for (const auto& p : {fifo, dir / "sub"}) {
            ok.push_back(zeva::ReadWholeFile(p).has_value());
            ok.push_back(zeva::RewriteFile(
                p, [](const std::string&) { return std::string("x"); }, &error));
        }
        return std::make_pair(ok, error);
    });
    ASSERT_EQ(results.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "a read or rewrite blocked on a FIFO";
    const auto [ok, error] = results.get();
    EXPECT_EQ(ok, std::vector<bool>(4, false));
    EXPECT_NE(error.find("sub"), std::string::npos) << error;
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
