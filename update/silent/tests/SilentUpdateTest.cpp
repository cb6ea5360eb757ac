#include <gtest/gtest.h>

#include "CryptConfigFile.h"
#include "ProgramRunner.h"
#include "SilentUpdate.h"
#include "UpdateFixture.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using zeva::test::Release;

namespace {

// The client restarted after an update: "ZEVAClient.exe" on Windows.
const std::string kClient = zeva::kClientExecutable;

class SilentUpdateTest : public zeva::test::UpdateFixture {
protected:
    Release Sample() const {
        return Release{"2.0", "330000", 0, 0, {{kClient, "client v2"}, {"data\\a.dat", "a v2"}}};
    }
    void InstallOld() {
        Install(kClient, "client v1");
        Install("data\\a.dat", "a v1");
    }
};

TEST_F(SilentUpdateTest, UnconditionalFlagWithSameVersionUpdatesNothing) {
    Configure("2.0", "330000");
    InstallOld();
    Release r = Sample();
    r.unconditional = 1;
    Publish(r);
    EXPECT_EQ(zeva::RunSilentUpdate(host), 0);
    EXPECT_EQ(Requests(), std::vector<std::string>{"/1/UpdateConfig.ini"});
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_TRUE(host.starts.empty());
    EXPECT_FALSE(fs::exists(app / "UPDATE"));
}

TEST_F(SilentUpdateTest, AllFilesCurrentButNewerVersionRecordsVersionAndRestarts) {
    Configure("1.0", "330000");
    Install(kClient, "client v2");
    Install("data\\a.dat", "a v2");
    Publish(Sample());
    const auto before = fs::last_write_time(app / kClient);
    EXPECT_EQ(zeva::RunSilentUpdate(host), 0);
    EXPECT_EQ(Requests(), std::vector<std::string>{"/1/UpdateConfig.ini"});
    EXPECT_EQ(fs::last_write_time(app / kClient), before);
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    EXPECT_EQ(host.pauses, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(5000)});
    ASSERT_EQ(host.starts.size(), 1u);
    EXPECT_EQ(host.starts[0].program, app / kClient);
    EXPECT_EQ(host.starts[0].parameters, "-AutoRun");
    EXPECT_FALSE(fs::exists(app / keys::kUpdateRecordDat));
}

TEST_F(SilentUpdateTest, MissingClientOnlySkipsTheRestart) {
    Configure("1.0", "330000");
    Release r = Sample();
    r.files.erase(r.files.begin());
    Install("data\\a.dat", "a v1");
    Publish(r);
    EXPECT_EQ(zeva::RunSilentUpdate(host), 0);
    EXPECT_EQ(Installed("data\\a.dat"), "a v2");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    EXPECT_TRUE(host.pauses.empty());
    EXPECT_TRUE(host.starts.empty());
}

TEST_F(SilentUpdateTest, CatalogWithCrlfAndServerDownAreHandled) {
    Configure("1.0", "330000");
    InstallOld();
    Release r = Sample();
    r.crlf = true;
    Publish(r);
    EXPECT_EQ(zeva::RunSilentUpdate(host), 0);
    EXPECT_EQ(Installed("data\\a.dat"), "a v2");
    {
        CCryptConfigFile config(AppAcp() + keys::kConfigDat, "");
        config.WriteInteger(keys::kSectionUpdate, keys::kKeyServerPort,
                            zeva::test::ClosedLoopbackPort());
        config.WriteString(keys::kSectionUpdate, keys::kKeyVersion, "1.0");
    }
    zeva::test::WriteFile(app / "UPDATE" / "left.bin", "from an earlier run");
    EXPECT_EQ(zeva::RunSilentUpdate(host), 0);
    // A failed catalog download leaves the staging folder for the next run.
    EXPECT_TRUE(fs::exists(app / "UPDATE" / "left.bin"));
}

TEST_F(SilentUpdateTest, ProgramIgnoresArgumentsExitsZeroAndWritesOnlyInItsDirectory) {
    Configure("1.0", "330000");
    Install("data\\a.dat", "a v1");
    Release r = Sample();
    r.files.erase(r.files.begin());
    Publish(r);
    const fs::path cwd = root / "cwd";
    fs::create_directories(cwd);
    const fs::path program = zeva::test::ProgramPath("ZEVASilentUpdate");
    EXPECT_EQ(
        zeva::test::RunProgram(program, {"-silent", "-t:2", "-d:plug", "--helpme", "???"}, cwd), 0);
    EXPECT_EQ(Installed("data\\a.dat"), "a v2");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    EXPECT_TRUE(fs::is_empty(cwd));
    std::vector<std::string> top;
    for (const auto& e : fs::directory_iterator(root.path()))
        top.push_back(e.path().filename().string());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"app", "cwd"}));

    // Nothing reachable and no settings at all: still 0.
    fs::remove(app / keys::kConfigDat);
    EXPECT_EQ(zeva::test::RunProgram(program, {}, cwd), 0);
    EXPECT_TRUE(fs::is_empty(cwd));
}

// Help is the one argument read: it is answered without a look at any server.
TEST_F(SilentUpdateTest, HelpPrintsUsageAndUpdatesNothing) {
    Configure("1.0", "330000");
    Install("data\\a.dat", "a v1");
    Release r = Sample();
    r.files.erase(r.files.begin());
    Publish(r);
    const fs::path program = zeva::test::ProgramPath("ZEVASilentUpdate");
    for (const char* flag : {"--help", "-h"}) {
        SCOPED_TRACE(flag);
        const auto result = zeva::test::RunProgram(program, {"-silent", flag});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(result.out.starts_with("usage: ZEVASilentUpdate")) << result.out;
        EXPECT_TRUE(Requests().empty());
        EXPECT_EQ(Installed("data\\a.dat"), "a v1");
        EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
    }
}

TEST_F(SilentUpdateTest, FilesTheUpdaterNeverMadeAreLeftAlone) {
    // Nothing configured at all, then a run that installs a release.
    zeva::test::WriteFile(app / "d" / "r.doc.bak", "keep");
    zeva::test::WriteFile(app / "d" / "r.doc", "cur");
    zeva::test::WriteFile(app / "UserConfig.dat.bak", "s");
    zeva::test::WriteFile(app / "data" / "a.dat.zeva-new", "mine");
    const fs::path program = zeva::test::ProgramPath("ZEVASilentUpdate");
    auto expectUntouched = [&](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(zeva::test::ReadFile(app / "d" / "r.doc.bak"), "keep");
        EXPECT_EQ(zeva::test::ReadFile(app / "d" / "r.doc"), "cur");
        EXPECT_EQ(zeva::test::ReadFile(app / "UserConfig.dat.bak"), "s");
        EXPECT_EQ(zeva::test::ReadFile(app / "data" / "a.dat.zeva-new"), "mine");
    };
    EXPECT_EQ(zeva::test::RunProgram(program, {}, app), 0);
    expectUntouched("no server configured");
    EXPECT_FALSE(fs::exists(app / keys::kUserConfigDat));

    Configure("1.0", "330000");
    Install("data\\a.dat", "a v1");
    Release r = Sample();
    r.files.erase(r.files.begin());  // no client to restart, so no pause
    Publish(r);
    EXPECT_EQ(zeva::test::RunProgram(program, {}, app), 0);
    EXPECT_EQ(Installed("data\\a.dat"), "a v2");
    expectUntouched("after an update");
    EXPECT_FALSE(fs::exists(app / "UPDATE"));
}

// With a key: an older signed release is never taken (whatever it says), a
// catalog older than the one installed last or expired is refused, and so is
// every catalog while the key is the all-zero placeholder.
TEST_F(SilentUpdateTest, SignedReplayExpiryRollbackAndPlaceholderKeyInstallNothing) {
    auto release = [](const char* version, int unconditional, const char* sequence,
                      const char* expires) {
        Release r{version, "110000", unconditional, 0, {{"ZEVAClient", "client old or forged"}}};
        r.sequence = sequence;
        r.expires = expires;
        return r;
    };
    struct Case {
        const char* what;
        Release release;
        std::string keys;
        bool forge;
        const char* reason;  // null: nothing due, nothing to refuse
    };
    const std::vector<Case> cases = {
        {"older release, UNCONDITIONALUPDATE=1, another region", release("1.0", 1, "500", ""), "%",
         false, nullptr},
        {"replayed older catalog, higher version", release("3.0", 0, "200", ""), "%", false,
         "SEQUENCE 200 is lower than 300"},
        {"expired catalog", release("3.0", 0, "400", "1000000000"), "%", false, "expired at"},
        {"placeholder key, forged signature", release("3.0", 0, "400", ""), "", true,
         "small order"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstalledAndPublished(c.release, c.keys, c.forge);
        server.ClearRequests();
        syslog.Drain();
        EXPECT_EQ(zeva::RunSilentUpdate(host), 0);
        // The fixture's signed release names the client "ZEVAClient" on every system.
        EXPECT_EQ(Installed("ZEVAClient"), "client v2");
        EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
        EXPECT_TRUE(host.starts.empty());
        for (const std::string& path : Requests()) {
            EXPECT_NE(path.find("UpdateConfig.ini"), std::string::npos) << path;
        }
        const auto records = syslog.Drain();
        if (c.reason == nullptr) {
            EXPECT_TRUE(records.empty());
            continue;
        }
        ASSERT_EQ(records.size(), 1u);
        EXPECT_NE(records[0].find(c.reason), std::string::npos) << records[0];
    }
    // A newer signed catalog installs and raises the bar.
    UseKey();
    PublishSigned(release("3.0", 0, "400", "4000000000"));
    EXPECT_EQ(zeva::RunSilentUpdate(host), 0);
    EXPECT_EQ(Installed("ZEVAClient"), "client old or forged");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "3.0");
    EXPECT_EQ(ConfigValue(keys::kSectionCatalogSequence, keys::kKeyProgramJob), "400");
}

}  // namespace
