// The silent updater's job killed by itself between moving a file aside and
// putting its copy in place, in a forked child (fork and raise are POSIX).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "ConsoleUpdateHost.h"
#include "CrashFixture.h"
#include "InstallJournal.h"
#include "UpdateJob.h"

namespace fs = std::filesystem;
using zeva::test::crash::Content;
using zeva::test::crash::SilentUpdateCrashTest;

namespace {

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
