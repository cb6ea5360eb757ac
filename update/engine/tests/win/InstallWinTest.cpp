// The installer's Windows halves against Windows itself: a module in use is
// moved aside and cleaned up next run, a read-only file is replaced and stays
// read-only, a file held open without sharing deletion is left as it was, the
// journal's lock keeps other runs out but never readers, and folders with
// Chinese names are journaled in the same UTF-8 lines as on Linux.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ConsoleUpdateHost.h"
#include "FileInstaller.h"
#include "InstallJournal.h"
#include "TestSupport.h"
#include "platform/AppPath.h"

namespace fs = std::filesystem;
using zeva::InstallResult;
using zeva::test::ReadFile;
using zeva::test::WriteFile;

namespace {

fs::path OwnFolder() {
    wchar_t exe[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return fs::path(std::wstring(exe, n)).parent_path();
}

class InstallWinTest : public ::testing::Test {
protected:
    zeva::test::TempDir dir;
    zeva::test::ScopedEnv acp{"ZEVA_ACP", std::nullopt};            // GBK, code page 936
    fs::path app = dir.path() / L"\u8F6F\u4EF6" / L"\u4E2D\u6587";  // 软件\中文
    fs::path journalFile = app / L"UPDATE" / zeva::kInstallJournalName;
    zeva::ConsoleUpdateHost host{true};
    zeva::InstallJournal journal{app, journalFile};
    fs::path staged = dir.path() / L"staged";

    void SetUp() override {
        fs::create_directories(app);
        WriteFile(staged, "new content");
    }
    std::string AppAcp() const { return zeva::AcpPath(app) + "\\"; }
};

TEST_F(InstallWinTest, ALoadedModuleIsMovedAsideAndCleanedUpNextRun) {
    const fs::path target = app / L"plug" / L"\u63D2\u4EF6.dll";  // 插件.dll
    fs::create_directories(target.parent_path());
    fs::copy_file(OwnFolder() / L"libgcc_s_seh-1.dll", target);
    const std::string old = ReadFile(target);
    const HMODULE loaded = LoadLibraryW(target.c_str());
    ASSERT_NE(loaded, nullptr);
    // Windows lets nobody replace the file of a loaded module, but lets it be renamed.
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal),
              InstallResult::ReplacedAfterMovingAside);
    EXPECT_EQ(ReadFile(target), "new content");
    fs::path backup = target;
    backup += ".bak";
    EXPECT_EQ(ReadFile(backup), old);
    FreeLibrary(loaded);
    journal.Close();
    zeva::CleanUpInstallLeftovers(AppAcp());
    EXPECT_FALSE(fs::exists(backup));
    EXPECT_FALSE(fs::exists(journalFile));
    EXPECT_EQ(ReadFile(target), "new content");
}

TEST_F(InstallWinTest, AReadOnlyModuleInUseIsMovedAsideAndItsBackupRemovedNextRun) {
    const fs::path target = app / L"tool.dll";
    fs::copy_file(OwnFolder() / L"libgcc_s_seh-1.dll", target);
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    const HMODULE loaded = LoadLibraryW(target.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal),
              InstallResult::ReplacedAfterMovingAside);
    FreeLibrary(loaded);
    journal.Close();
    zeva::CleanUpInstallLeftovers(AppAcp());
    EXPECT_FALSE(fs::exists(app / L"tool.dll.bak"));
    EXPECT_FALSE(fs::exists(journalFile));
    EXPECT_EQ(ReadFile(target), "new content");
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(InstallWinTest, AReadOnlyFileIsReplacedAndStaysReadOnly) {
    const fs::path target = app / L"readme.txt";
    WriteFile(target, "old content");
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal), InstallResult::Replaced);
    EXPECT_EQ(ReadFile(target), "new content");
    const DWORD attributes = GetFileAttributesW(target.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(InstallWinTest, AFileHeldOpenWithoutSharingDeletionIsLeftAsItWas) {
    const fs::path target = app / L"held.dat";
    WriteFile(target, "old content");
    const HANDLE held = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(zeva::InstallFile(staged, target, host, journal), InstallResult::Failed);
    CloseHandle(held);
    EXPECT_EQ(ReadFile(target), "old content");
    journal.Close();
    zeva::CleanUpInstallLeftovers(AppAcp());
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(app)) {
        ++entries;
        EXPECT_TRUE(e.path().filename() == L"held.dat" || e.path().filename() == L"UPDATE")
            << e.path().filename().u8string().size();
    }
    EXPECT_EQ(entries, 2u);
}

TEST_F(InstallWinTest, ALockedJournalIsReadableButNotPlayedByAnotherRun) {
    fs::path temporary = app / L"\u63D2\u4EF6.dll";
    temporary += zeva::kNewFileSuffix;
    ASSERT_TRUE(journal.RecordTemporary(temporary));
    WriteFile(temporary, "half");
    // Readers are not kept out by the lock (Windows locks are mandatory for the bytes they cover).
    const auto records = zeva::ReadJournal(journalFile);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].file, fs::path(L"\u63D2\u4EF6.dll.zeva-new"));
    // The line is the one Linux writes: UTF-8, '/' between folders.
    EXPECT_EQ(ReadFile(journalFile), "T 插件.dll.zeva-new\n");

    zeva::CleanUpInstallLeftovers(AppAcp());
    EXPECT_TRUE(fs::exists(temporary));
    zeva::RemoveStagingFolder(app, app / L"UPDATE");
    EXPECT_TRUE(fs::exists(journalFile));

    journal.Close();
    zeva::CleanUpInstallLeftovers(AppAcp());
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_FALSE(fs::exists(journalFile));
}

TEST_F(InstallWinTest, JournalLinesWrittenOnLinuxArePlayed) {
    fs::create_directories(app / L"UPDATE");
    fs::create_directories(app / L"\u63D2\u4EF6");
    WriteFile(app / L"\u63D2\u4EF6" / L"a.dll.bak", "old");
    WriteFile(journalFile, "B 插件/a.dll 插件/a.dll.bak\n");
    zeva::CleanUpInstallLeftovers(AppAcp());
    EXPECT_EQ(ReadFile(app / L"\u63D2\u4EF6" / L"a.dll"), "old");
    EXPECT_FALSE(fs::exists(app / L"\u63D2\u4EF6" / L"a.dll.bak"));
}

}  // namespace
