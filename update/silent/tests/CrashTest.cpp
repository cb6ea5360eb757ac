// The silent updater killed with SIGKILL at many moments of a run: every
// installed file must be the old or the new version, never missing or cut
// short, and a later run must finish the update.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ProgramRunner.h"
#include "support/UpdateFixture.h"

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

        EXPECT_EQ(zeva::test::RunProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app), 0);
        EXPECT_EQ(CheckOldOrNew("after rerun"), kFiles);
        EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
        for (const auto& e : fs::recursive_directory_iterator(app)) {
            const std::string n = e.path().filename().string();
            EXPECT_FALSE(n.ends_with(".bak") || n.ends_with(".zeva-new") || n.ends_with(".part"))
                << n;
        }
        EXPECT_FALSE(fs::exists(app / "UPDATE"));
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
    const pid_t pid = zeva::test::StartProgram(zeva::test::ProgramPath("ZEVASilentUpdate"), {}, app);
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

}  // namespace
