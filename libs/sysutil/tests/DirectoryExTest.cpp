#include "DirectoryEx.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "platform/AppPath.h"

using zeva::test::ScopedEnv;
using zeva::test::TempDir;
using zeva::test::WriteFile;
namespace fs = std::filesystem;

namespace {

// A path written with '/' as this system writes it.
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', zeva::kPathSeparator);
    return path;
}

class DirectoryExTest : public ::testing::Test {
protected:
    std::string Root() const { return zeva::AcpPath(dir.path()); }
    TempDir dir;
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
};

TEST_F(DirectoryExTest, ApplicationPathEndsWithSeparator) {
    ScopedEnv app("ZEVA_APP_DIR", Root());
    std::string out;
    EXPECT_EQ(CDirectoryEx::GetApplicationPath(out), 0);
    EXPECT_EQ(out, Root() + zeva::kPathSeparator);
    // Callers append names directly, with backslashes as the catalogs write them.
    WriteFile(dir / "UPDATE" / "x", "1");
    EXPECT_TRUE(fs::exists(zeva::NativePath(out + "UPDATE\\x")));
}

TEST_F(DirectoryExTest, FilePathIsTheFolderPart) {
    std::string folder;
    CDirectoryEx::GetFilePath("/opt/app/UPDATE\\Program\\ZEVAClient.exe", folder);
    EXPECT_EQ(folder, Native("/opt/app/UPDATE/Program/"));
    CDirectoryEx::GetFilePath("/file", folder);
    EXPECT_EQ(folder, Native("/"));
    CDirectoryEx::GetFilePath("name.dll", folder);
    EXPECT_EQ(folder, "");
}

TEST_F(DirectoryExTest, CreatesEveryLevelAndDeletesWithContents) {
    const std::string deep = Root() + "/UPDATE\\Program\\plug\\sub";
    EXPECT_EQ(CDirectoryEx::CreateMultipleDirectory(deep), 0);
    EXPECT_TRUE(fs::is_directory(dir / "UPDATE/Program/plug/sub"));
    EXPECT_EQ(CDirectoryEx::CreateMultipleDirectory(deep), 0);  // existing is fine
    WriteFile(dir / "UPDATE/Program/plug/sub/f.dll", "x");
    EXPECT_EQ(CDirectoryEx::DeleteDirectory(Root() + "/UPDATE"), 0);
    EXPECT_FALSE(fs::exists(dir / "UPDATE"));
    EXPECT_EQ(CDirectoryEx::DeleteDirectory(Root() + "/UPDATE"), -1);
}

TEST_F(DirectoryExTest, RefusesToDeleteNothingOrTheRoot) {
    EXPECT_EQ(CDirectoryEx::DeleteDirectory(""), -1);
    EXPECT_EQ(CDirectoryEx::DeleteDirectory("/"), -1);
    EXPECT_EQ(CDirectoryEx::DeleteDirectory("\\"), -1);
    WriteFile(dir / "file", "x");
    EXPECT_EQ(CDirectoryEx::DeleteDirectory(Root() + "/file"), -1);
    EXPECT_TRUE(fs::exists(dir / "file"));
}

TEST_F(DirectoryExTest, SearchFindsBackupsInSubfoldersCaseInsensitively) {
    WriteFile(dir / "ZEVAClient.exe.bak", "1");
    WriteFile(dir / "plug" / "a.dll.BAK", "1");
    WriteFile(dir / "plug" / "deep" / "b.dll.bak", "1");
    WriteFile(dir / "plug" / "keep.dll", "1");
    fs::create_directories(dir / "dir.bak");  // a folder is not a match
    std::vector<std::string> found;
    EXPECT_EQ(CDirectoryEx::SearchFile(Root() + "/", true, "*.bak", found), 0);
    EXPECT_EQ(found, (std::vector<std::string>{Root() + Native("/ZEVAClient.exe.bak"),
                                               Root() + Native("/plug/a.dll.BAK"),
                                               Root() + Native("/plug/deep/b.dll.bak")}));
    found.clear();
    EXPECT_EQ(CDirectoryEx::SearchFile(Root(), false, "*.bak", found), 0);
    EXPECT_EQ(found, (std::vector<std::string>{Root() + Native("/ZEVAClient.exe.bak")}));
    EXPECT_EQ(CDirectoryEx::SearchFile(Root() + "/missing", true, "*", found), -1);
}

TEST_F(DirectoryExTest, ChineseNamesRoundTripInTheSystemCodePage) {
    WriteFile(dir.path() / u8"测试.bak", "1");
    std::vector<std::string> found;
    CDirectoryEx::SearchFile(Root(), true, "*.bak", found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], Root() + zeva::kPathSeparator + "\xB2\xE2\xCA\xD4.bak");
}

}  // namespace
