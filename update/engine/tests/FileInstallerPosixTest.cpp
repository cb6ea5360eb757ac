// The installed file's Unix mode (the executable bit in particular) survives
// its replacement; Windows keeps the read-only attribute instead (tests/win).
#include <gtest/gtest.h>

#include "FileInstaller.h"
#include "UpdateFixture.h"

namespace fs = std::filesystem;

TEST(FileInstallerPosix, ReplacesAndKeepsTheInstalledMode) {
    zeva::test::TempDir dir;
    zeva::test::RecordingHost host;
    const fs::path staged = dir / "staged";
    const fs::path target = dir / "app" / "ZEVAClient";
    zeva::InstallJournal journal{dir / "app", dir / "app" / "UPDATE" / zeva::kInstallJournalName};
    zeva::test::WriteFile(staged, "new content");
    zeva::test::WriteFile(target, "old content");
    fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal), zeva::InstallResult::Replaced);
    EXPECT_EQ(zeva::test::ReadFile(target), "new content");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}
