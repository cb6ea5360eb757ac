#include "ConfigFile.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

using zeva::test::ScopedEnv;
using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

class ConfigFileTest : public ::testing::Test {
protected:
    CConfigFile Load(const std::string& text) {
        WriteFile(dir / "catalog.ini", text);
        return CConfigFile((dir / "catalog.ini").string());
    }
    TempDir dir;
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
};

TEST_F(ConfigFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    CConfigFile missing((dir / "none.ini").string());
    std::string out = "untouched";
    missing.ReadString("Version", "VERSION", "dflt", out);
    EXPECT_EQ(out, "dflt");
    EXPECT_EQ(missing.ReadInteger("Version", "NOTIFIY", 7), 7);
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(missing.ReadSections(names), 0);
    EXPECT_TRUE(names.empty());

    CConfigFile f = Load("[Version]\nVERSION=1.2\n");
    f.ReadString("Other", "VERSION", "", out);
    EXPECT_EQ(out, "");
    f.ReadString("Version", "REGION", "r", out);
    EXPECT_EQ(out, "r");
    EXPECT_EQ(f.ReadInteger("Version", "UNCONDITIONALUPDATE", 0), 0);
}

TEST_F(ConfigFileTest, CatalogWithCrlfBlankLinesCommentsAndEqualsInValues) {
    CConfigFile f = Load(
        "\xEF\xBB\xBF[Version]\r\n"
        "VERSION = 1.10 \r\n"
        "\r\n"
        "; a comment\r\n"
        "# another\r\n"
        "garbage line\r\n"
        "[FILES]\r\n"
        "ZEVAClient.exe=\r\n"
        "plug\\a=b.dll=\r\n"
        "[ZEVAClient.exe]\r\n"
        "MD5=0123456789abcdef0123456789abcdef\r\n"
        "SIZE=1024\r\n"
        "MODIFYTIME=2026-01-02 03:04:05\r\n");
    std::string out;
    f.ReadString("Version", "VERSION", "", out);
    EXPECT_EQ(out, "1.10");
    f.ReadString("ZEVAClient.exe", "MODIFYTIME", "", out);
    EXPECT_EQ(out, "2026-01-02 03:04:05");
    EXPECT_EQ(f.ReadInteger("ZEVAClient.exe", "SIZE", 0), 1024);
    std::vector<std::string> keys;
    EXPECT_EQ(f.ReadSection("FILES", keys), 2);
    EXPECT_EQ(keys, (std::vector<std::string>{"ZEVAClient.exe", "plug\\a"}));
    f.ReadString("FILES", "plug\\a", "", out);
    EXPECT_EQ(out, "b.dll=");
}

TEST_F(ConfigFileTest, FileOrderIsKeptAndDuplicatesKeepTheFirst) {
    CConfigFile f = Load(
        "[z]\nb=1\na=2\nb=3\n"
        "[a]\nk=v\n"
        "[Z]\nc=4\n");
    std::vector<std::string> names;
    f.ReadSections(names);
    EXPECT_EQ(names, (std::vector<std::string>{"z", "a"}));
    f.ReadSection("z", names);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(f.ReadInteger("z", "b", 0), 1);
    EXPECT_EQ(f.ReadInteger("Z", "C", 0), 4);
}

TEST_F(ConfigFileTest, DoubleByteNamesCompareExactlyWhileAsciiFolds) {
    // Two GBK characters whose trail bytes differ only in ASCII case (0x41 'A', 0x61 'a').
    CConfigFile f = Load("[S]\n\x81\x41=upper\n\x81\x61=lower\nKey=v\n");
    std::string out;
    f.ReadString("s", "\x81\x41", "", out);
    EXPECT_EQ(out, "upper");
    f.ReadString("s", "\x81\x61", "", out);
    EXPECT_EQ(out, "lower");
    f.ReadString("S", "KEY", "", out);
    EXPECT_EQ(out, "v");
}

TEST_F(ConfigFileTest, IntegersParseLikeUsersExpect) {
    CConfigFile f = Load("[n]\na=42\nb= -7\nc=12abc\nd=abc\ne=99999999999\nf=\n");
    EXPECT_EQ(f.ReadInteger("n", "a", 0), 42);
    EXPECT_EQ(f.ReadInteger("n", "b", 0), -7);
    EXPECT_EQ(f.ReadInteger("n", "c", 0), 12);
    EXPECT_EQ(f.ReadInteger("n", "d", 5), 5);
    EXPECT_EQ(f.ReadInteger("n", "e", 0), 2147483647);
    EXPECT_EQ(f.ReadInteger("n", "f", 3), 3);
}

TEST_F(ConfigFileTest, PathsWithBackslashesOpen) {
    WriteFile(dir / "UPDATE" / "Program" / "UpdateConfig.ini", "[Version]\nVERSION=2\n");
    CConfigFile f(dir.path().string() + "/UPDATE\\Program\\UpdateConfig.ini");
    EXPECT_EQ(f.ReadInteger("Version", "VERSION", 0), 2);
}

TEST_F(ConfigFileTest, ALaterReadSeesTheReplacedFile) {
    CConfigFile f = Load("[a]\nk=1\n");
    EXPECT_EQ(f.ReadInteger("a", "k", 0), 1);
    WriteFile(dir / "next.ini", "[a]\nk=2\n");
    std::filesystem::rename(dir / "next.ini", dir / "catalog.ini");
    EXPECT_EQ(f.ReadInteger("a", "k", 0), 2);
}

}  // namespace

// A hostile catalog of many sections and keys: every lookup used to walk all
// of them, so reading each section's keys took hours (found by the fuzzer).
TEST_F(ConfigFileTest, ManySectionsAndKeysAreReadWithoutRescanningTheFile) {
#ifdef _WIN32
    // Each read checks the file's identity, which costs a millisecond under
    // Wine; the Linux run of the same code is the one that would expose a rescan.
    constexpr int kCount = 10000;
#else
    constexpr int kCount = 100000;
#endif
    std::string text = "[FILES]\n";
    for (int i = 0; i < kCount; ++i) text += "f" + std::to_string(i) + "=\n";
    for (int i = 0; i < kCount; ++i) text += "[s" + std::to_string(i) + "]\nMD5=x\n";
    zeva::test::WriteFile(dir / "big.ini", text);
    CConfigFile f((dir / "big.ini").string());
    std::vector<std::string> names;
    ASSERT_EQ(f.ReadSection("FILES", names), kCount);
    std::vector<std::string> sections;
    ASSERT_EQ(f.ReadSections(sections), kCount + 1);
    size_t found = 0;
    for (const std::string& s : sections) {
        std::string v;
        f.ReadString(s, "md5", "", v);
        found += v == "x" ? 1 : 0;
    }
    EXPECT_EQ(found, static_cast<size_t>(kCount));
}
