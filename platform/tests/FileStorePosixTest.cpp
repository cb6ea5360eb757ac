// Rewrites through symbolic links and refusals of FIFOs: POSIX file types.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <vector>

#include "TestSupport.h"
#include "platform/FileStore.h"

using zeva::test::TempDir;

namespace {

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
