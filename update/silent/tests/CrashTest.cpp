// The silent updater killed at many moments of a run (SIGKILL on Linux,
// TerminateProcess on Windows): every installed file must be the old or the
// new version, never missing or cut short, and a later run must finish the
// update.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CrashFixture.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using zeva::test::Fault;
using zeva::test::Release;
using zeva::test::crash::Content;
using zeva::test::crash::SilentUpdateCrashTest;

namespace {

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
        const int pid =
            zeva::test::StartProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app);
        ASSERT_GT(pid, 0);
        // Only the moment of the kill is chosen here; nothing waits for a timer.
        std::this_thread::sleep_for(delay);
        zeva::test::KillProgram(pid);
        // A run that ended on its own exits 0; a killed one gives -1.
        if (zeva::test::WaitProgram(pid) != 0) ++killed;
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
    const int pid = zeva::test::StartProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app);
    ASSERT_GT(pid, 0);
    // Killed once a quarter of the file is on disk.
    std::error_code ec;
    while (!(fs::exists(part, ec) && fs::file_size(part, ec) >= big.size() / 4)) {
        ASSERT_FALSE(fs::exists(app / "big.bin", ec)) << "the run ended before the kill";
        std::this_thread::yield();
    }
    ASSERT_TRUE(zeva::test::KillProgram(pid));
    EXPECT_EQ(zeva::test::WaitProgram(pid), -1);
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

}  // namespace
