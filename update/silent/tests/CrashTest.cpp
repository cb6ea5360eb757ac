// The silent updater killed with SIGKILL at many moments of a run: every
// installed file must be the old or the new version, never missing or cut
// short, and a later run must finish the update.

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "ConsoleUpdateHost.h"
#include "InstallJournal.h"
#include "ProgramRunner.h"
#include "UpdateFixture.h"
#include "UpdateJob.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using zeva::test::Fault;
using zeva::test::Release;

namespace {

std::string Content(int index, char version) {
    std::string s(96 * 1024 + static_cast<size_t>(index) * 1000, version);
    s += "file " + std::to_string(index);
    return s;
}

class SilentUpdateCrashTest : public zeva::test::UpdateFixture {
protected:
    static constexpr int kFiles = 60;
    Release release{"2.0", "330000", 0, 0, {}};

    void SetUp() override {
        UpdateFixture::SetUp();
        for (int i = 0; i < kFiles; ++i) {
            release.files.emplace_back(
                "dir" + std::to_string(i % 4) + "\\f" + std::to_string(i) + ".bin",
                Content(i, 'n'));
        }
        Publish(release);
    }
    void ResetToOld() {
        fs::remove_all(app);
        fs::create_directories(app);
        Configure("1.0", "330000");
        for (int i = 0; i < kFiles; ++i)
            Install(release.files[static_cast<size_t>(i)].first, Content(i, 'o'));
        // A user's files that look like the updater's own.
        Install("dir1\\f1.bin.bak", "the user's");
        Install("UserConfig.dat.bak", "s");
        Install("dir2\\f2.bin.zeva-new", "mine");
    }
    void CheckUserFiles(const char* when) {
        EXPECT_EQ(zeva::test::ReadFile(app / "dir1/f1.bin.bak"), "the user's") << when;
        EXPECT_EQ(zeva::test::ReadFile(app / "UserConfig.dat.bak"), "s") << when;
        EXPECT_EQ(zeva::test::ReadFile(app / "dir2/f2.bin.zeva-new"), "mine") << when;
        EXPECT_FALSE(fs::exists(app / keys::kUserConfigDat) &&
                     zeva::test::ReadFile(app / keys::kUserConfigDat) == "s")
            << when;
    }
    // After the run that follows a kill: everything new, nothing of the updater's left.
    void CheckFinished() {
        EXPECT_EQ(CheckOldOrNew("after rerun"), kFiles);
        EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
        CheckUserFiles("after rerun");
        for (const auto& e : fs::recursive_directory_iterator(app)) {
            const std::string rel = e.path().lexically_relative(app).string();
            if (rel == "dir1/f1.bin.bak" || rel == "UserConfig.dat.bak" ||
                rel == "dir2/f2.bin.zeva-new")
                continue;
            const std::string n = e.path().filename().string();
            EXPECT_FALSE(n.ends_with(".bak") || n.ends_with(".zeva-new") || n.ends_with(".part"))
                << rel;
        }
        EXPECT_FALSE(fs::exists(app / "UPDATE"));
    }
    // Every file old or new; returns how many are new.
    int CheckOldOrNew(const char* when) {
        int fresh = 0;
        for (int i = 0; i < kFiles; ++i) {
            const std::string& name = release.files[static_cast<size_t>(i)].first;
            const fs::path p = app / zeva::test::UrlPath(name);
            EXPECT_TRUE(fs::exists(p)) << when << ": " << name << " missing";
            const std::string now = zeva::test::ReadFile(p);
            const bool isNew = now == Content(i, 'n');
            EXPECT_TRUE(isNew || now == Content(i, 'o'))
                << when << ": " << name << " damaged (" << now.size() << " bytes)";
            fresh += isNew ? 1 : 0;
        }
        return fresh;
    }
    std::chrono::steady_clock::duration FullRun() {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(zeva::test::RunProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app), 0);
        return std::chrono::steady_clock::now() - start;
    }
};

TEST_F(SilentUpdateCrashTest, KillAtManyPointsNeverLosesOrTruncatesAFile) {
    // The shorter of two clean runs, so the kill points fall inside later runs too.
    ResetToOld();
    auto full = FullRun();
    ASSERT_EQ(CheckOldOrNew("clean run"), kFiles);
    ResetToOld();
    full = std::min(full, FullRun());
    constexpr int kPoints = 24;
    int killed = 0;
    int mixed = 0;
    for (int k = 0; k < kPoints; ++k) {
        SCOPED_TRACE(k);
        ResetToOld();
        const auto delay = full * k / kPoints;
        const pid_t pid =
            zeva::test::StartProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app);
        ASSERT_GT(pid, 0);
        // Only the moment of the kill is chosen here; nothing waits for a timer.
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) ++killed;
        const int fresh = CheckOldOrNew("after kill");
        if (fresh > 0 && fresh < kFiles) ++mixed;
        CheckUserFiles("after kill");

        EXPECT_EQ(zeva::test::RunProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app), 0);
        CheckFinished();
    }
    EXPECT_GE(killed, kPoints / 4) << "most kills must land before the run ends";
    RecordProperty("killed", killed);
    RecordProperty("mixed", mixed);
}

TEST_F(SilentUpdateCrashTest, KilledMidFileTheRerunContinuesItWithRange) {
    ResetToOld();
    std::string big(2u << 20, '\0');
    // No NUL bytes: the fixture digests its contents as C strings.
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 2654435761u >> 13) | 1);
    Release r{"3.0", "330000", 0, 0, {{"big.bin", big}}};
    server.Put("/1/UpdateConfig.ini", r.MainCatalog());
    server.Put("/1/big.bin", big);
    server.SetFault("/1/big.bin", Fault::Slow);
    const fs::path part = app / "UPDATE" / "big.bin.part";
    const pid_t pid =
        zeva::test::StartProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app);
    ASSERT_GT(pid, 0);
    // Killed once a quarter of the file is on disk.
    std::error_code ec;
    while (!(fs::exists(part, ec) && fs::file_size(part, ec) >= big.size() / 4)) {
        ASSERT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "the run ended before the kill";
        std::this_thread::yield();
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const auto kept = static_cast<size_t>(fs::file_size(part));
    ASSERT_GT(kept, 0u);
    server.ClearFaults();
    server.ClearRequests();
    EXPECT_EQ(zeva::test::RunProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app), 0);
    EXPECT_TRUE(zeva::test::ReadFile(app / "big.bin") == big) << "installed file differs";
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "3.0");
    EXPECT_EQ(server.Ranges(),
              (std::vector<std::string>{"", "bytes=" + std::to_string(kept) + "-"}));
    // Only the rest was sent (give or take a chunk the killed run's connection still counted).
    EXPECT_GE(server.BytesServed("/1/big.bin"), big.size() - kept);
    EXPECT_LT(server.BytesServed("/1/big.bin"), big.size() - kept + 64 * 1024);
    EXPECT_FALSE(fs::exists(app / "UPDATE"));
}

// Every installed file is in use at the first attempt, as a running program
// is on Windows, so each one is moved aside to its ".bak" before the copy
// goes in; at the chosen file the process kills itself right after that move.
class BusyOnceHost : public zeva::ConsoleUpdateHost {
public:
    explicit BusyOnceHost(int killAtFile) : ConsoleUpdateHost(true), killAt_(killAtFile) {}
    bool ReplaceFile(const fs::path& source, const fs::path& target) override {
        if (tried_.insert(target).second) return false;
        if (++movedAside_ == killAt_) ::raise(SIGKILL);
        return ConsoleUpdateHost::ReplaceFile(source, target);
    }

private:
    int killAt_;
    int movedAside_ = 0;
    std::set<fs::path> tried_;
};

TEST_F(SilentUpdateCrashTest, KillBetweenTheBackupAndTheCopyIsRepairedByTheNextRun) {
    for (const int killAt : {1, 2, kFiles / 2, kFiles}) {
        SCOPED_TRACE(killAt);
        ResetToOld();
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            BusyOnceHost busy(killAt);
            {
                UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &busy);
                job.RunProgramJob();
            }
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the run must end at the kill";

        // The file being replaced is gone from its name; its backup and the journal naming it stay.
        const std::string& name = release.files[static_cast<size_t>(killAt - 1)].first;
        const fs::path target = app / zeva::test::UrlPath(name);
        EXPECT_FALSE(fs::exists(target));
        fs::path backup = target;
        backup += killAt == 2 ? ".1.bak" : ".bak";  // f1.bin.bak is the user's
        EXPECT_EQ(zeva::test::ReadFile(backup), Content(killAt - 1, 'o'));
        const fs::path journal = app / "UPDATE" / zeva::kInstallJournalName;
        bool named = false;
        for (const zeva::JournalRecord& r : zeva::ReadJournal(journal)) {
            named = named || (r.kind == zeva::JournalRecord::Kind::Backup &&
                              r.backup == backup.lexically_relative(app));
        }
        EXPECT_TRUE(named) << "the journal must name " << backup;
        CheckUserFiles("after kill");

        EXPECT_EQ(zeva::test::RunProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app), 0);
        CheckFinished();
    }
}

}  // namespace
