#include <gtest/gtest.h>

#include "UpdateCatalog.h"
#include "UpdateFixture.h"

using zeva::test::Release;
namespace fs = std::filesystem;

namespace {

class UpdateCatalogTest : public ::testing::Test {
protected:
    zeva::test::TempDir dir;
    zeva::test::ScopedEnv acp{"ZEVA_ACP", std::string("UTF-8")};
    std::string install = (dir / "app").string() + "/";
    std::string catalogPath = (dir / "UpdateConfig.ini").string();

    void SetUp() override { fs::create_directories(dir / "app"); }
    void WriteCatalog(const std::string& text) { zeva::test::WriteFile(catalogPath, text); }
    std::vector<std::string> Names(const UpdateCatalog& c) const {
        std::vector<std::string> out;
        for (const auto& e : c.Entries()) out.push_back(e.name);
        return out;
    }
};

TEST(VersionOrderTest, IsByteWiseNotNumeric) {
    EXPECT_FALSE(zeva::VersionSortsAfter("1.10", "1.9"));
    EXPECT_TRUE(zeva::VersionSortsAfter("1.9", "1.10"));
    EXPECT_TRUE(zeva::VersionSortsAfter("2.0", "10.0"));
    EXPECT_TRUE(zeva::VersionSortsAfter("1.0.1", "1.0"));
    EXPECT_FALSE(zeva::VersionSortsAfter("1.0", "1.0"));
    EXPECT_TRUE(zeva::VersionSortsAfter("1", ""));
    // Bytes compare unsigned: a high byte sorts after ASCII.
    EXPECT_TRUE(zeva::VersionSortsAfter("\xB0", "z"));
}

TEST(SafeNameTest, RejectsNamesReachingOutside) {
    for (const char* bad :
         {"", "..\\evil.dll", "a\\..\\..\\evil.dll", "a/../b", "..", "\\abs.dll", "/etc/passwd",
          "C:\\Windows\\x.dll", "c:x.dll", "a\\\\b", "a\\.\\b", "dir\\", "a:stream"}) {
        EXPECT_FALSE(zeva::IsSafeRelativeName(bad)) << bad;
    }
    for (const char* good :
         {"ZEVAClient", "plug\\tool.dll", "a/b/c.txt", "..hidden", "x..y", "新 文件.dat"}) {
        EXPECT_TRUE(zeva::IsSafeRelativeName(good)) << good;
    }
}

TEST_F(UpdateCatalogTest, GateFollowsUnconditionalThenRegionThenVersion) {
    Release r{"1.10", "A", 0, 0, {{"a.dll", "new"}}};
    struct Case {
        const char* localVersion;
        const char* localRegion;
        int unconditional;
        bool versionOnly;
        int expected;
    } cases[] = {
        {"1.9", "A", 0, false, 1},   // 1.10 sorts before 1.9
        {"1.9", "A", 1, false, 0},   // unconditional
        {"1.9", "B", 0, false, 0},   // region changed
        {"1.0", "A", 0, false, 0},   // newer
        {"1.10", "A", 0, false, 1},  // same
        {"1.9", "B", 1, true, 1},    // silent gate ignores region and unconditional
        {"1.0", "B", 0, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.localVersion) + c.localRegion + std::to_string(c.unconditional));
        r.unconditional = c.unconditional;
        WriteCatalog(r.MainCatalog());
        UpdateCatalog catalog(install, catalogPath, c.localVersion, c.localRegion);
        catalog.SetVersionOnlyGate(c.versionOnly);
        EXPECT_EQ(catalog.Evaluate(), c.expected);
        EXPECT_EQ(catalog.Entries().size(), c.expected == 0 ? 1u : 0u);
    }
}

TEST_F(UpdateCatalogTest, ListsMissingAndChangedFilesInCatalogOrderWithTheirKeys) {
    Release r{"2.0",
              "A",
              0,
              0,
              {{"b.dll", "B2"}, {"sub\\a.dll", "A2"}, {"same.txt", "S"}, {"gone.txt", "G"}}};
    r.crlf = true;
    WriteCatalog(r.MainCatalog());
    zeva::test::WriteFile(dir / "app/b.dll", "B1");
    zeva::test::WriteFile(dir / "app/sub/a.dll", "A2");  // already current
    zeva::test::WriteFile(dir / "app/same.txt", "S");
    UpdateCatalog catalog(install, catalogPath, "1.0", "A");
    ASSERT_EQ(catalog.Evaluate(), 0);
    ASSERT_EQ(Names(catalog), (std::vector<std::string>{"b.dll", "gone.txt"}));
    const UpdateFileEntry& e = catalog.Entries()[0];
    EXPECT_EQ(e.md5, zeva::test::Md5Of("B2"));
    EXPECT_EQ(e.size, "2");
    EXPECT_EQ(e.modifyTime, "2026-12-01 10:00:00");
}

TEST_F(UpdateCatalogTest, MissingLocalFileIsAlwaysListedWhateverItsDigest) {
    // The catalog's digest of the empty file equals what a missing file would hash to in a naive
    // check.
    Release r{"2.0", "A", 0, 0, {{"empty.dat", ""}}};
    WriteCatalog(r.MainCatalog());
    UpdateCatalog catalog(install, catalogPath, "1.0", "A");
    ASSERT_EQ(catalog.Evaluate(), 0);
    EXPECT_EQ(Names(catalog), std::vector<std::string>{"empty.dat"});
}

TEST_F(UpdateCatalogTest, TraversalEntriesAreSkipped) {
    Release r{
        "2.0", "A", 0, 0, {{"..\\evil.txt", "x"}, {"ok.txt", "y"}, {"a\\..\\..\\evil2", "z"}}};
    WriteCatalog(r.MainCatalog());
    UpdateCatalog catalog(install, catalogPath, "1.0", "A");
    ASSERT_EQ(catalog.Evaluate(), 0);
    EXPECT_EQ(Names(catalog), std::vector<std::string>{"ok.txt"});
    EXPECT_EQ(catalog.RejectedNames().size(), 2u);
}

TEST_F(UpdateCatalogTest, MissingCatalogAndPluginForms) {
    UpdateCatalog missing(install, catalogPath, "1.0", "A");
    EXPECT_EQ(missing.Evaluate(), -1);
    EXPECT_EQ(missing.EvaluatePlugin(), -1);
    EXPECT_TRUE(missing.Entries().empty());

    Release r{"", "", 0, 0, {{"p1.dll", "1"}, {"p2.dll", "2"}}};
    WriteCatalog(r.PluginCatalog(false));
    zeva::test::WriteFile(dir / "app/p2.dll", "2");
    UpdateCatalog plugin(install, catalogPath, "", "");
    ASSERT_EQ(plugin.EvaluatePlugin(), 0);
    EXPECT_EQ(Names(plugin), std::vector<std::string>{"p1.dll"});

    WriteCatalog(r.PluginCatalog(true));
    UpdateCatalog toolbox(install, catalogPath, "", "");
    ASSERT_EQ(toolbox.EvaluatePluginFilesSection(), 0);
    EXPECT_EQ(Names(toolbox), std::vector<std::string>{"p1.dll"});
}

}  // namespace
