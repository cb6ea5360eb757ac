#pragma once
// The silent updater's crash tests: a release of many files, installed old
// beside a user's files that look like the updater's own, and the checks
// after a kill and after the run that follows it.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "ProgramRunner.h"
#include "UpdateFixture.h"

namespace zeva::test::crash {

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;

inline std::string Content(int index, char version) {
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
            const std::string rel = e.path().lexically_relative(app).generic_string();
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

}  // namespace zeva::test::crash
