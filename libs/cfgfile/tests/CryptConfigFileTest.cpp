#include "CryptConfigFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "TestSupport.h"

using zeva::test::ReadFile;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

class CryptConfigFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name = "Config.dat") const { return (dir / name).string(); }
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& def = "") {
        CCryptConfigFile f(Path(), "");
        std::string out;
        f.ReadString(section, key, def, out);
        return out;
    }
    TempDir dir;
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
};

TEST_F(CryptConfigFileTest, WritesAreSeenByLaterReadersAndTheFileIsNotText) {
    {
        CCryptConfigFile f(Path(), "");
        EXPECT_EQ(f.WriteString("Update", "Version", "1.0.3"), 0);
        EXPECT_EQ(f.WriteString("Server", "ServiceURL", "http://127.0.0.1:16905/kelv/BService.ws"),
                  0);
        EXPECT_EQ(f.WriteInteger("Update", "ServerPort", 8081), 0);
        EXPECT_EQ(f.WriteString("SpeedConfig", "http://a/x.bin", "\xB2\xE2\xCA\xD4"), 0);
    }
    EXPECT_EQ(Read("Update", "Version"), "1.0.3");
    EXPECT_EQ(Read("update", "VERSION"), "1.0.3");
    EXPECT_EQ(Read("SpeedConfig", "http://a/x.bin"), "\xB2\xE2\xCA\xD4");
    CCryptConfigFile f(Path(), "");
    EXPECT_EQ(f.ReadInteger("Update", "ServerPort", 0), 8081);
    EXPECT_EQ(f.ReadInteger("Update", "ServerPort2", 0), 0);

    const std::string raw = ReadFile(Path());
    EXPECT_EQ(raw.find("ServiceURL"), std::string::npos);
    EXPECT_EQ(raw.find("1.0.3"), std::string::npos);
}

TEST_F(CryptConfigFileTest, MissingFileReadsAsEmptyAndWriteCreatesIt) {
    CCryptConfigFile f(Path("UpdateRecord.dat"), "");
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(f.ReadSections(names), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(f.ReadInteger("x", "y", -3), -3);
    EXPECT_EQ(f.WriteInteger("2026-12-07", "IsSucceed", 1), 0);
    EXPECT_EQ(f.ReadInteger("2026-12-07", "IsSucceed", 0), 1);
}

TEST_F(CryptConfigFileTest, OrderIsKeptAndKeysAndSectionsCanBeRemoved) {
    CCryptConfigFile f(Path(), "");
    for (const char* k : {"c", "a", "b"}) f.WriteString("S", k, k);
    f.WriteString("T", "k", "v");
    f.WriteString("S", "a", "again");  // replacing keeps the place
    std::vector<std::string> keys;
    f.ReadSection("S", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(f.DeleteKey("S", "a"), 0);
    f.ReadSection("S", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"c", "b"}));
    EXPECT_EQ(f.EraseSection("S"), 0);
    std::vector<std::string> sections;
    f.ReadSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"T"}));
    // Removing what is not there changes nothing and is no failure.
    EXPECT_EQ(f.DeleteKey("nope", "k"), 0);
    EXPECT_EQ(f.EraseSection("nope"), 0);
}

TEST_F(CryptConfigFileTest, ValuesCannotInjectKeysOrSections) {
    CCryptConfigFile f(Path(), "");
    f.WriteString("SpeedConfig", "http://x/", "title\n[Server]\nServiceURL=http://evil/");
    std::string out;
    f.ReadString("Server", "ServiceURL", "none", out);
    EXPECT_EQ(out, "none");
    f.ReadString("SpeedConfig", "http://x/", "", out);
    EXPECT_EQ(out, "title\n[Server]\nServiceURL=http://evil/");
}

TEST_F(CryptConfigFileTest, TamperedOrForeignFilesReadAsEmptyAndAreReplacedOnWrite) {
    {
        CCryptConfigFile f(Path(), "");
        f.WriteString("Update", "Version", "1.0.3");
    }
    std::string raw = ReadFile(Path());
    for (size_t pos : {size_t{0}, size_t{9}, raw.size() / 2, raw.size() - 1}) {
        std::string bad = raw;
        bad[pos] = static_cast<char>(bad[pos] ^ 0x01);
        WriteFile(Path(), bad);
        EXPECT_EQ(Read("Update", "Version", "gone"), "gone") << "flipped byte " << pos;
        EXPECT_EQ(zeva::cfg::InspectCryptFile(Path()), zeva::cfg::StoreState::Unreadable);
    }
    WriteFile(Path(), raw.substr(0, raw.size() - 5));
    EXPECT_EQ(Read("Update", "Version", "gone"), "gone");
    WriteFile(Path(), "[Update]\nVersion=9.9\n");
    EXPECT_EQ(Read("Update", "Version", "gone"), "gone");

    CCryptConfigFile f(Path(), "");
    EXPECT_EQ(f.WriteString("Update", "Version", "2.0"), 0);
    EXPECT_EQ(Read("Update", "Version"), "2.0");
    EXPECT_EQ(zeva::cfg::InspectCryptFile(Path()), zeva::cfg::StoreState::Valid);
}

TEST_F(CryptConfigFileTest, InitializeSwitchesToAnotherFile) {
    CCryptConfigFile f;
    f.Initialize(Path("a.dat"), "");
    f.WriteString("S", "k", "a");
    f.Initialize(Path("b.dat"), "");
    std::string out;
    f.ReadString("S", "k", "none", out);
    EXPECT_EQ(out, "none");
    f.WriteString("S", "k", "b");
    f.Initialize(Path("a.dat"), "");
    f.ReadString("S", "k", "", out);
    EXPECT_EQ(out, "a");
}

TEST_F(CryptConfigFileTest, TwoObjectsOnOneFileSeeEachOthersWrites) {
    CCryptConfigFile a(Path(), "");
    CCryptConfigFile b(Path(), "");
    std::string out;
    b.ReadString("UserInfo", "Account", "", out);  // b now holds a cached view
    a.WriteString("UserInfo", "Account", "user1");
    b.ReadString("UserInfo", "Account", "", out);
    EXPECT_EQ(out, "user1");
    b.WriteString("UserInfo", "City", "\xB1\xB1\xBE\xA9");
    a.ReadString("UserInfo", "Account", "", out);
    EXPECT_EQ(out, "user1");
    a.ReadString("UserInfo", "City", "", out);
    EXPECT_EQ(out, "\xB1\xB1\xBE\xA9");
}

TEST_F(CryptConfigFileTest, WriteToAnUnwritablePlaceFailsWithAReason) {
    CCryptConfigFile f("/nonexistent-dir/Config.dat", "");
    EXPECT_EQ(f.WriteString("a", "b", "c"), -1);
    EXPECT_FALSE(f.LastError().empty());
}

TEST_F(CryptConfigFileTest, ADamagedFileIsKeptAsideBeforeTheNextWriteReplacesIt) {
    {
        CCryptConfigFile f(Path(), "");
        ASSERT_EQ(f.WriteString("Update", "Version", "1.0.3"), 0);
        ASSERT_EQ(f.WriteString("Server", "ServiceURL", "http://h/"), 0);
    }
    std::string damaged = ReadFile(Path());
    damaged[damaged.size() / 2] ^= 0x01;
    WriteFile(Path(), damaged);
    CCryptConfigFile f(Path(), "");
    // Nothing changes, so nothing is replaced or kept aside.
    EXPECT_EQ(f.DeleteKey("Update", "Version"), 0);
    EXPECT_FALSE(std::filesystem::exists(Path("Config.dat.damaged")));

    EXPECT_EQ(f.WriteString("Update", "Version", "2.0"), 0);
    EXPECT_EQ(ReadFile(Path("Config.dat.damaged")), damaged);
    EXPECT_EQ(Read("Update", "Version"), "2.0");
    // A second damaged version gets a name of its own; the first copy stays.
    WriteFile(Path(), "foreign text");
    EXPECT_EQ(f.WriteString("Update", "Version", "3.0"), 0);
    EXPECT_EQ(ReadFile(Path("Config.dat.damaged")), damaged);
    EXPECT_EQ(ReadFile(Path("Config.dat.damaged.1")), "foreign text");
    // A valid or empty file is replaced without a copy.
    WriteFile(Path(), "");
    EXPECT_EQ(f.WriteString("Update", "Version", "4.0"), 0);
    EXPECT_EQ(f.WriteString("Update", "Version", "5.0"), 0);
    EXPECT_FALSE(std::filesystem::exists(Path("Config.dat.damaged.2")));
}

TEST_F(CryptConfigFileTest, WhenTheDamagedFileCannotBeKeptTheWriteFails) {
    WriteFile(Path(), "foreign text");
    // A folder in the way of every name the copy could take.
    std::filesystem::create_directories(Path("Config.dat.damaged"));
    for (int n = 1; n < 100; ++n)
        std::filesystem::create_directories(Path("Config.dat.damaged." + std::to_string(n)));
    CCryptConfigFile f(Path(), "");
    EXPECT_EQ(f.WriteString("Update", "Version", "2.0"), -1);
    EXPECT_NE(f.LastError().find("damaged"), std::string::npos) << f.LastError();
    EXPECT_EQ(ReadFile(Path()), "foreign text");
}

TEST_F(CryptConfigFileTest, WriteEntriesStoresAllInOneRewrite) {
    CCryptConfigFile f(Path(), "");
    ASSERT_EQ(f.WriteString("Update", "Version", "1.0"), 0);
    const auto before = std::filesystem::status(Path()).permissions();
    std::vector<CCryptConfigFile::Entry> entries = {
        {"update", "VERSION", "2.0"},  // names match as for WriteString
        {"Server", "ServiceURL", "http://h/"},
        {"Update", "Region", "zj"},
        {"Server", "serviceurl", "http://later/"},
    };
    for (int i = 0; i < 5000; ++i)
        entries.push_back({"Big", "k" + std::to_string(i), std::to_string(i)});
    ASSERT_EQ(f.WriteEntries(entries), 0) << f.LastError();
    EXPECT_EQ(std::filesystem::status(Path()).permissions(), before);
    std::vector<std::string> sections;
    f.ReadSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"Update", "Server", "Big"}));
    std::vector<std::string> keys;
    f.ReadSection("Update", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"Version", "Region"}));
    std::vector<std::pair<std::string, std::string>> values;
    EXPECT_EQ(f.ReadSectionValues("UPDATE", values), 2);
    EXPECT_EQ(values, (std::vector<std::pair<std::string, std::string>>{{"Version", "2.0"},
                                                                        {"Region", "zj"}}));
    EXPECT_EQ(Read("Server", "ServiceURL"), "http://later/");
    f.ReadSection("Big", keys);
    EXPECT_EQ(keys.size(), 5000u);
    EXPECT_EQ(Read("Big", "K4999"), "4999");
    // None of them reach a file that cannot be written.
    CCryptConfigFile bad("/nonexistent-dir/Config.dat", "");
    EXPECT_EQ(bad.WriteEntries(entries), -1);
}

TEST_F(CryptConfigFileTest, ASymlinkedFileIsWrittenThroughToItsTarget) {
    std::filesystem::create_directories(dir / "shared");
    const auto target = dir / "shared" / "Config.dat";
    {
        CCryptConfigFile f(target.string(), "");
        ASSERT_EQ(f.WriteString("Server", "ServiceURL", "http://h/"), 0);
    }
    std::error_code ec;
    std::filesystem::create_symlink("shared/Config.dat", Path(), ec);
    // Windows makes symbolic links only for administrators (Wine not at all).
    if (ec == std::errc::function_not_supported || ec == std::errc::operation_not_permitted)
        GTEST_SKIP() << "this system makes no symbolic links: " << ec.message();
    ASSERT_FALSE(ec) << ec.message();
    CCryptConfigFile f(Path(), "");
    ASSERT_EQ(f.WriteString("Update", "Version", "2.0"), 0) << f.LastError();
    EXPECT_EQ(f.EraseSection("Server"), 0);
    ASSERT_EQ(f.WriteString("Update", "Region", "zj"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(Path()));
    CCryptConfigFile real(target.string(), "");
    std::string out;
    real.ReadString("Update", "Version", "", out);
    EXPECT_EQ(out, "2.0");
    real.ReadString("Server", "ServiceURL", "gone", out);
    EXPECT_EQ(out, "gone");
    // No temporaries are left beside the link or the target.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "shared"), {}), 1);
}

}  // namespace
