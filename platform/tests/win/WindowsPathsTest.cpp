// The Windows halves of the platform: the code page, the program's folder,
// paths with Chinese names at every OS call, crash-safe rewrites and the
// single-instance mutex, checked against Windows itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/FileStore.h"
#include "platform/NamedMutex.h"

namespace fs = std::filesystem;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;

namespace {

// "软件\中文" in GBK: the second byte of 软 is no separator, the backslash is.
const std::string kGbkFolder = "\xC8\xED\xBC\xFE\\\xD6\xD0\xCE\xC4";
const std::wstring kWideFolder = L"\u8F6F\u4EF6\\\u4E2D\u6587";

TEST(WindowsPlatform, TheSystemCodePageIsGbkInAChineseLocale) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    EXPECT_EQ(GetACP(), 936u);
    EXPECT_EQ(zeva::AcpName(), "GBK");
    // A character outside the basic plane is one character: one '?'.
    EXPECT_EQ(zeva::Utf8ToAcp("a\xF0\x9F\x98\x80"
                              "b"),
              "a?b");
}

TEST(WindowsPlatform, ApplicationDirectoryIsTheProgramsFolder) {
    ScopedEnv app("ZEVA_APP_DIR", std::nullopt);
    wchar_t exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    EXPECT_EQ(zeva::ApplicationDirectory(), fs::path(exe).parent_path());
    const std::string acp = zeva::ApplicationPathAcp();
    ASSERT_FALSE(acp.empty());
    EXPECT_EQ(acp.back(), '\\');
}

TEST(WindowsPlatform, ChineseFoldersSurviveEveryConversion) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    TempDir dir;
    const fs::path native = zeva::NativePath(zeva::AcpPath(dir.path()) + "\\" + kGbkFolder);
    EXPECT_EQ(native, dir.path() / kWideFolder);
    ASSERT_TRUE(fs::create_directories(native));
    EXPECT_EQ(GetFileAttributesW((dir.path() / kWideFolder).c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(zeva::AcpPath(native), zeva::AcpPath(dir.path()) + "\\" + kGbkFolder);
    // Catalogs and settings may write '/': the native path has Windows' separator.
    EXPECT_EQ(zeva::NativePath(zeva::AcpPath(dir.path()) + "/plug/a.dll").native(),
              (dir.path() / L"plug" / L"a.dll").native());

    // The override names its folder in UTF-16 too.
    ScopedEnv app("ZEVA_APP_DIR", (dir.path() / kWideFolder).string());
    EXPECT_EQ(zeva::ApplicationDirectory(), dir.path() / kWideFolder);
}

TEST(WindowsPlatform, RewritesInAChineseFolderKeepEveryWritersChange) {
    TempDir dir;
    const fs::path file = dir.path() / kWideFolder / L"\u8BBE\u7F6E.dat";
    fs::create_directories(file.parent_path());
    constexpr int kThreads = 4;
    constexpr int kEach = 25;
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                std::string error;
                if (!zeva::RewriteFile(
                        file, [](const std::string& old) { return old + "x"; }, &error))
                    ++failures;
            }
        });
    }
    for (auto& w : writers) w.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(zeva::ReadWholeFile(file).value_or(""), std::string(kThreads * kEach, 'x'));
    // No temporary file is left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(file.parent_path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(WindowsPlatform, AFileAReaderHoldsForAMomentIsReplacedOnceItIsClosed) {
    TempDir dir;
    const fs::path file = dir / "Config.dat";
    ASSERT_TRUE(zeva::ReplaceFileContent(file, "old"));
    HANDLE reader = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread closer([reader] {
        Sleep(200);
        CloseHandle(reader);
    });
    std::string error;
    EXPECT_TRUE(zeva::RewriteFile(
        file, [](const std::string& old) { return old + "+new"; }, &error))
        << error;
    closer.join();
    EXPECT_EQ(zeva::ReadWholeFile(file).value_or(""), "old+new");
}

TEST(WindowsPlatform, AFileLockedAgainstDeletionIsLeftWholeAndTheFailureSaysWhy) {
    TempDir dir;
    const fs::path file = dir / "Config.dat";
    ASSERT_TRUE(zeva::ReplaceFileContent(file, "kept"));
    // Another program opened it without sharing deletion: it cannot be replaced.
    HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::string error;
    const bool ok = zeva::RewriteFile(
        file, [](const std::string&) { return std::string("lost?"); }, &error);
    CloseHandle(holder);
    if (!ok) {
        EXPECT_NE(error.find("Config.dat"), std::string::npos) << error;
    }
    const std::string now = zeva::ReadWholeFile(file).value_or("");
    EXPECT_TRUE(now == "kept" || (ok && now == "lost?")) << now;
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(WindowsPlatform, ReadingRefusesWhatIsNoRegularFile) {
    TempDir dir;
    EXPECT_FALSE(zeva::ReadWholeFile(dir.path()));
    EXPECT_FALSE(zeva::ReadWholeFile(dir / "missing.dat"));
    EXPECT_FALSE(zeva::ReadWholeFile(L"\\\\.\\NUL"));
    std::string error;
    EXPECT_FALSE(zeva::RewriteFile(
        dir.path(), [](const std::string&) { return std::string("x"); }, &error));
}

TEST(WindowsPlatform, TheSecondHolderOfANamedMutexIsTold) {
    const std::string name = "zeva-test-" + std::to_string(GetCurrentProcessId());
    auto first = zeva::NamedMutex::Create(name);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->AlreadyExists());
    auto second = zeva::NamedMutex::Create(name);
    EXPECT_TRUE(second->AlreadyExists());
    second.reset();
    first.reset();
    auto third = zeva::NamedMutex::Create(name);
    EXPECT_FALSE(third->AlreadyExists());
}

}  // namespace
