#include <gtest/gtest.h>

#include "InstallJournal.h"
#include "UpdateFixture.h"

namespace fs = std::filesystem;
using zeva::test::ReadFile;
using zeva::test::WriteFile;

namespace {

class InstallJournalTest : public ::testing::Test {
protected:
    zeva::test::TempDir dir;
    zeva::test::ScopedEnv acp{"ZEVA_ACP", std::string("UTF-8")};
    fs::path app = dir / "app";

    std::string AppAcp() const { return app.string() + "/"; }
    void CleanUp() { zeva::CleanUpInstallLeftovers(AppAcp()); }
    // Files a user keeps beside the installation; no clean-up may touch them.
    void WriteUserFiles() {
        WriteFile(app / "d" / "r.doc.bak", "keep");
        WriteFile(app / "d" / "r.doc", "cur");
        WriteFile(app / "UserConfig.dat.bak", "s");
        WriteFile(app / "x.zeva-new", "mine");
    }
    void ExpectUserFilesUntouched() {
        EXPECT_EQ(ReadFile(app / "d" / "r.doc.bak"), "keep");
        EXPECT_EQ(ReadFile(app / "d" / "r.doc"), "cur");
        EXPECT_EQ(ReadFile(app / "UserConfig.dat.bak"), "s");
        EXPECT_FALSE(fs::exists(app / "UserConfig.dat"));
        EXPECT_EQ(ReadFile(app / "x.zeva-new"), "mine");
    }
};

TEST_F(InstallJournalTest, CleanUpPlaysOnlyWhatTheJournalRecords) {
    struct Case {
        const char* what;
        std::string journal;
        std::vector<std::pair<std::string, std::string>> before;
        std::vector<std::pair<std::string, std::string>> after;  // "" content: must be gone
    };
    const std::vector<Case> cases = {
        {"backup whose original is missing is moved back",
         "B a.dll a.dll.bak\n",
         {{"a.dll.bak", "old"}},
         {{"a.dll", "old"}, {"a.dll.bak", ""}}},
        {"backup whose original exists is deleted",
         "B a.dll a.dll.bak\n",
         {{"a.dll", "new"}, {"a.dll.bak", "old"}},
         {{"a.dll", "new"}, {"a.dll.bak", ""}}},
        {"numbered backup beside a user's .bak",
         "B d/r.doc d/r.doc.1.bak\n",
         {{"d/r.doc.1.bak", "old"}},
         {{"d/r.doc.1.bak", ""}}},
        {"temporary copy is deleted",
         "T sub/b.dll.zeva-new\n",
         {{"sub/b.dll.zeva-new", "half"}},
         {{"sub/b.dll.zeva-new", ""}}},
        {"names with spaces and percent signs",
         "B my%20file%25.txt my%20file%25.txt.bak\n",
         {{"my file%.txt.bak", "old"}},
         {{"my file%.txt", "old"}, {"my file%.txt.bak", ""}}},
        {"a record cut short by a crash is not played",
         "B a.dll a.dll.bak",
         {{"a.dll.bak", "old"}},
         {{"a.dll.bak", "old"}, {"a.dll", ""}}},
        {"records that are not the installer's own names are ignored",
         "T ok.txt\nB ok.txt other.bak\nB ok.txt ok.txtbak\nT ../outside.zeva-new\n"
         "B ../o.txt ../o.txt.bak\nT /abs.zeva-new\nT sub/./c.zeva-new\nX ok.txt\n",
         {{"ok.txt", "kept"}, {"other.bak", "kept"}, {"ok.txtbak", "kept"}},
         {{"ok.txt", "kept"}, {"other.bak", "kept"}, {"ok.txtbak", "kept"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(app);
        WriteUserFiles();
        WriteFile(dir / "outside.zeva-new", "outside");
        WriteFile(dir / "o.txt.bak", "outside");
        for (const auto& [name, content] : c.before) WriteFile(app / name, content);
        WriteFile(app / "UPDATE" / "Program" / zeva::kInstallJournalName, c.journal);
        CleanUp();
        for (const auto& [name, content] : c.after) {
            if (content.empty()) {
                EXPECT_FALSE(fs::exists(app / name)) << name;
            } else {
                EXPECT_EQ(ReadFile(app / name), content) << name;
            }
        }
        ExpectUserFilesUntouched();
        EXPECT_EQ(ReadFile(dir / "outside.zeva-new"), "outside");
        EXPECT_EQ(ReadFile(dir / "o.txt.bak"), "outside");
        EXPECT_FALSE(fs::exists(app / "UPDATE" / "Program" / zeva::kInstallJournalName));
    }
}

TEST_F(InstallJournalTest, JournalsOfEveryStagingFolderArePlayedButNotOneInUse) {
    WriteUserFiles();
    WriteFile(app / "a.bak", "from the silent form");
    WriteFile(app / "plug" / "b.bak", "from a plug-in job");
    zeva::InstallJournal silent(app, app / "UPDATE" / zeva::kInstallJournalName);
    ASSERT_TRUE(silent.RecordBackup(app / "a", app / "a.bak"));
    silent.Close();
    zeva::InstallJournal plugin(app, app / "UPDATE" / "plug" / zeva::kInstallJournalName);
    ASSERT_TRUE(plugin.RecordBackup(app / "plug" / "b", app / "plug" / "b.bak"));
    // Outside the application folder: refused before anything is written.
    EXPECT_FALSE(plugin.RecordTemporary(dir / "elsewhere.zeva-new"));
    EXPECT_FALSE(plugin.RecordBackup(app / "c", app / "d.bak"));

    // The plug-in job is still installing: its journal is left to it.
    CleanUp();
    EXPECT_EQ(ReadFile(app / "a"), "from the silent form");
    EXPECT_EQ(ReadFile(app / "plug" / "b.bak"), "from a plug-in job");
    EXPECT_TRUE(fs::exists(plugin.File()));

    plugin.Close();
    CleanUp();
    EXPECT_EQ(ReadFile(app / "plug" / "b"), "from a plug-in job");
    EXPECT_FALSE(fs::exists(plugin.File()));
    ExpectUserFilesUntouched();
}

TEST_F(InstallJournalTest, StagingFolderIsRemovedExceptAJournalWithLeftovers) {
    const fs::path staging = app / "UPDATE" / "Program";
    WriteFile(staging / "a.dll", "staged");
    WriteFile(app / "a.dll", "new");
    zeva::InstallJournal journal(app, staging / zeva::kInstallJournalName);
    ASSERT_TRUE(journal.RecordTemporary(app / "a.dll.zeva-new"));  // renamed in place since
    journal.Close();
    zeva::RemoveStagingFolder(app, staging);
    EXPECT_FALSE(fs::exists(staging));

    WriteFile(staging / "a.dll", "staged");
    WriteFile(app / "a.dll.bak", "old, still in use");
    ASSERT_TRUE(journal.RecordBackup(app / "a.dll", app / "a.dll.bak"));
    journal.Close();
    zeva::RemoveStagingFolder(app, staging);
    EXPECT_FALSE(fs::exists(staging / "a.dll"));
    ASSERT_TRUE(fs::exists(journal.File()));
    CleanUp();
    EXPECT_FALSE(fs::exists(app / "a.dll.bak"));
    EXPECT_EQ(ReadFile(app / "a.dll"), "new");
}

}  // namespace
