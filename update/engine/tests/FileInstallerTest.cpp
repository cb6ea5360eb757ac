#include <gtest/gtest.h>

#include "FileInstaller.h"
#include "UpdateFixture.h"

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
    fs::path journalFile = dir / "app" / "UPDATE" / zeva::kInstallJournalName;
    zeva::InstallJournal journal{dir / "app", journalFile};

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

TEST_F(FileInstallerTest, ReplacesInOneStepLeavingNothingBeside) {
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal), InstallResult::Replaced);
    EXPECT_EQ(ReadFile(target), "new content");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"UPDATE", "ZEVAClient"}));
    EXPECT_EQ(ReadFile(staged), "new content");
}

TEST_F(FileInstallerTest, CreatesMissingFoldersForNewFiles) {
    const fs::path deep = dir / "app" / "plug" / "x" / "tool.dll";
    EXPECT_EQ(zeva::InstallFile(staged, deep, host, journal), InstallResult::Replaced);
    EXPECT_EQ(ReadFile(deep), "new content");
}

TEST_F(FileInstallerTest, BusyTargetIsMovedAsideThenCleanedUpNextRun) {
    host.busy.insert("ZEVAClient");
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal),
              InstallResult::ReplacedAfterMovingAside);
    EXPECT_EQ(ReadFile(target), "new content");
    EXPECT_EQ(ReadFile(dir / "app" / "ZEVAClient.bak"), "old content");
    journal.Close();
    zeva::CleanUpInstallLeftovers((dir / "app").string() + "/");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"UPDATE", "ZEVAClient"}));
    EXPECT_FALSE(fs::exists(journalFile));
}

TEST_F(FileInstallerTest, NamesTakenByOtherFilesAreNeitherOverwrittenNorCleanedUp) {
    WriteFile(dir / "app" / "ZEVAClient.bak", "the user's");
    WriteFile(dir / "app" / "ZEVAClient.zeva-new", "not ours either");
    host.busy.insert("ZEVAClient");
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal),
              InstallResult::ReplacedAfterMovingAside);
    EXPECT_EQ(ReadFile(target), "new content");
    EXPECT_EQ(ReadFile(dir / "app" / "ZEVAClient.1.bak"), "old content");
    journal.Close();
    zeva::CleanUpInstallLeftovers((dir / "app").string() + "/");
    EXPECT_EQ(ReadFile(dir / "app" / "ZEVAClient.bak"), "the user's");
    EXPECT_EQ(ReadFile(dir / "app" / "ZEVAClient.zeva-new"), "not ours either");
    EXPECT_FALSE(fs::exists(dir / "app" / "ZEVAClient.1.bak"));
    EXPECT_EQ(ReadFile(target), "new content");
}

TEST_F(FileInstallerTest, DoubleFailureMovesTheOldFileBack) {
    host.alwaysBusy.insert("ZEVAClient");
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal), InstallResult::Failed);
    EXPECT_EQ(ReadFile(target), "old content");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"UPDATE", "ZEVAClient"}));
}

TEST_F(FileInstallerTest, UnreadableStagedFileLeavesTargetAlone) {
    EXPECT_EQ(zeva::InstallFile(dir / "missing", target, host, journal), InstallResult::Failed);
    EXPECT_EQ(ReadFile(target), "old content");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"UPDATE", "ZEVAClient"}));
}

}  // namespace
