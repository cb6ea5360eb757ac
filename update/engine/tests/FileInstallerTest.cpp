#include <gtest/gtest.h>

#include "FileInstaller.h"
#include "support/UpdateFixture.h"

namespace fs = std::filesystem;
using zeva::InstallResult;
using zeva::test::ReadFile;
using zeva::test::WriteFile;

namespace {

class FileInstallerTest : public ::testing::Test {
protected:
    zeva::test::TempDir dir;
    zeva::test::ScopedEnv acp{"ZEVA_ACP", std::string("UTF-8")};
    zeva::test::RecordingHost host;
    fs::path staged = dir / "staged";
    fs::path target = dir / "app" / "ZEVAClient";

    void SetUp() override {
        WriteFile(staged, "new content");
        WriteFile(target, "old content");
    }
    std::vector<std::string> Listing() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(target.parent_path()))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(FileInstallerTest, ReplacesAndKeepsTheInstalledMode) {
    fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(zeva::InstallFile(staged, target, host), InstallResult::Replaced);
    EXPECT_EQ(ReadFile(target), "new content");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(Listing(), std::vector<std::string>{"ZEVAClient"});
    EXPECT_EQ(ReadFile(staged), "new content");
}

TEST_F(FileInstallerTest, CreatesMissingFoldersForNewFiles) {
    const fs::path deep = dir / "app" / "plug" / "x" / "tool.dll";
    EXPECT_EQ(zeva::InstallFile(staged, deep, host), InstallResult::Replaced);
    EXPECT_EQ(ReadFile(deep), "new content");
}

TEST_F(FileInstallerTest, BusyTargetIsMovedAsideThenCleanedUpNextRun) {
    host.busy.insert("ZEVAClient");
    EXPECT_EQ(zeva::InstallFile(staged, target, host), InstallResult::ReplacedAfterMovingAside);
    EXPECT_EQ(ReadFile(target), "new content");
    EXPECT_EQ(ReadFile(dir / "app" / "ZEVAClient.bak"), "old content");
    zeva::CleanUpInstallLeftovers((dir / "app").string());
    EXPECT_EQ(Listing(), std::vector<std::string>{"ZEVAClient"});
}

TEST_F(FileInstallerTest, DoubleFailureMovesTheOldFileBack) {
    host.alwaysBusy.insert("ZEVAClient");
    EXPECT_EQ(zeva::InstallFile(staged, target, host), InstallResult::Failed);
    EXPECT_EQ(ReadFile(target), "old content");
    EXPECT_EQ(Listing(), std::vector<std::string>{"ZEVAClient"});
}

TEST_F(FileInstallerTest, CleanUpRestoresOrphanedBackupsAndDropsHalfWrittenCopies) {
    fs::rename(target, dir / "app" / "ZEVAClient.bak");
    WriteFile(dir / "app" / "sub" / "a.dll.bak", "stale");
    WriteFile(dir / "app" / "sub" / "a.dll", "current");
    WriteFile(dir / "app" / "sub" / "b.dll.zeva-new", "half");
    zeva::CleanUpInstallLeftovers((dir / "app").string() + "/");
    EXPECT_EQ(ReadFile(target), "old content");
    EXPECT_FALSE(fs::exists(dir / "app" / "ZEVAClient.bak"));
    EXPECT_FALSE(fs::exists(dir / "app" / "sub" / "a.dll.bak"));
    EXPECT_EQ(ReadFile(dir / "app" / "sub" / "a.dll"), "current");
    EXPECT_FALSE(fs::exists(dir / "app" / "sub" / "b.dll.zeva-new"));
}

TEST_F(FileInstallerTest, UnreadableStagedFileLeavesTargetAlone) {
    EXPECT_EQ(zeva::InstallFile(dir / "missing", target, host), InstallResult::Failed);
    EXPECT_EQ(ReadFile(target), "old content");
    EXPECT_EQ(Listing(), std::vector<std::string>{"ZEVAClient"});
}

}  // namespace
