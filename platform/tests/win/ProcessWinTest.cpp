// Processes on Windows, checked with a second program (zeva-platform-peer):
// command lines quoted as the C runtime reads them, programs in folders with
// spaces and Chinese names, the named mutex across processes, and settings
// files that another process holds open or that are read-only.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/AppPath.h"
#include "platform/FileStore.h"
#include "platform/NamedMutex.h"
#include "platform/Shell.h"

namespace fs = std::filesystem;
using zeva::test::TempDir;

namespace {

fs::path ProgramFolder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return fs::path(exe).parent_path();
}

fs::path Peer() {
    return ProgramFolder() / L"zeva-platform-peer.exe";
}

std::string Utf8(const std::wstring& w) {
    const fs::path p(w);
    const std::u8string u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

// Runs the peer and waits for it: its exit code, -1 when it did not start.
int RunPeer(const std::vector<std::wstring>& args) {
    std::wstring line = L"\"" + Peer().wstring() + L"\"";
    for (const auto& a : args) line += L" \"" + a + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(Peer().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

bool WaitForFile(const fs::path& file) {
    for (int i = 0; i < 1000; ++i) {
        if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(10);
    }
    return false;
}

std::vector<std::string> SplitNul(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t nul; (nul = text.find('\0', start)) != std::string::npos; start = nul + 1)
        out.push_back(text.substr(start, nul - start));
    return out;
}

const std::vector<std::string> kHardArguments = {
    "plain",
    "two words",
    "",
    "quote\"inside",
    "trailing\\",
    "C:\\Program Files\\",
    "back\\\\slash\\\"quote",
    "\\\\server\\share\\",
    "\"\"",
    "tab\there",
    "\xE4\xB8\xAD\xE6\x96\x87 \xE5\x8F\x82\xE6\x95\xB0",  // 中文 参数
    "-d:\xE8\xBD\xAF\xE4\xBB\xB6\\\xE4\xB8\xAD\xE6\x96\x87\\",
};

TEST(ShellWin, QuotedArgumentsReadBackAsTheSystemSplitsThem) {
    std::vector<std::string> args = {"program"};
    args.insert(args.end(), kHardArguments.begin(), kHardArguments.end());
    const std::string line = zeva::JoinCommandLine(args);
    const int n = MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, wide.data(), n);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(wide.c_str(), &argc);
    ASSERT_NE(argv, nullptr);
    std::vector<std::string> back;
    for (int i = 0; i < argc; ++i) back.push_back(Utf8(argv[i]));
    LocalFree(argv);
    EXPECT_EQ(back, args) << line;
}

TEST(ShellWin, ADetachedProgramInAChineseFolderWithSpacesGetsEveryArgument) {
    TempDir dir;
    const fs::path folder = dir.path() / L"\u8F6F\u4EF6 dir" / L"\u4E2D\u6587";
    fs::create_directories(folder);
    // The peer and the runtime it needs, copied where a customer may install.
    for (const auto& e : fs::directory_iterator(ProgramFolder())) {
        if (e.path().extension() == L".dll") fs::copy_file(e.path(), folder / e.path().filename());
    }
    fs::copy_file(Peer(), folder / L"peer \u7A0B\u5E8F.exe");
    const fs::path out = folder / L"\u8F93\u51FA.txt";
    std::vector<std::string> args = {"args", Utf8(out.wstring())};
    args.insert(args.end(), kHardArguments.begin(), kHardArguments.end());
    std::string error;
    ASSERT_TRUE(zeva::StartDetached(folder / L"peer \u7A0B\u5E8F.exe", args, folder, &error))
        << error;
    ASSERT_TRUE(WaitForFile(out));
    Sleep(100);  // the peer writes its answer in one call; let it close the file
    EXPECT_EQ(SplitNul(zeva::ReadWholeFile(out).value_or("")), kHardArguments);
}

TEST(ShellWin, TheShellOpensAProgramWithParametersInTheSystemCodePage) {
    TempDir dir;
    const fs::path out = dir.path() / L"\u4E2D\u6587 out.txt";
    // Parameters as a catalog gives them: GBK, quoted where they hold blanks.
    const std::string parameters =
        "args \"" + zeva::AcpPath(out) + "\" -AutoRun \"\xC8\xED\xBC\xFE \xD6\xD0\xCE\xC4\"";
    std::string error;
    ASSERT_TRUE(zeva::ShellExecuteOpen(zeva::AcpPath(Peer()), parameters, zeva::AcpPath(dir.path()),
                                       &error))
        << error;
    ASSERT_TRUE(WaitForFile(out));
    Sleep(100);
    EXPECT_EQ(SplitNul(zeva::ReadWholeFile(out).value_or("")),
              (std::vector<std::string>{"-AutoRun",
                                        "\xE8\xBD\xAF\xE4\xBB\xB6 \xE4\xB8\xAD\xE6\x96\x87"}));
}

TEST(ShellWin, AProgramThatCannotStartIsReportedAtOnce) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(zeva::StartDetached(dir.path() / L"missing.exe", {}, {}, &error));
    EXPECT_NE(error.find("missing.exe"), std::string::npos) << error;
    ASSERT_TRUE(zeva::ReplaceFileContent(dir.path() / L"text.exe", "not a program"));
    EXPECT_FALSE(zeva::StartDetached(dir.path() / L"text.exe", {}, {}, &error));
    EXPECT_FALSE(
        zeva::StartDetached(Peer(), {"args", "x"}, dir.path() / L"no such folder", &error));
    EXPECT_FALSE(zeva::StartDetached({}, {}, {}, &error));
    error.clear();
    EXPECT_FALSE(
        zeva::ShellExecuteOpen(zeva::AcpPath(dir.path() / L"missing.doc"), "", "", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(zeva::OpenUrl("ftp://example/", &error));
    EXPECT_NE(error.find("not a web address"), std::string::npos);
}

TEST(NamedMutexWin, AnotherProcessIsToldTheMutexExistsUntilItIsReleased) {
    TempDir dir;
    const std::string name = "zeva-test-peer-" + std::to_string(GetCurrentProcessId());
    const std::wstring wname(name.begin(), name.end());
    auto held = zeva::NamedMutex::Create(name);
    ASSERT_TRUE(held);
    ASSERT_FALSE(held->AlreadyExists());
    ASSERT_EQ(RunPeer({L"mutex", wname, (dir.path() / L"first.txt").wstring()}), 0);
    EXPECT_EQ(zeva::ReadWholeFile(dir.path() / L"first.txt"), "exists");
    held.reset();
    ASSERT_EQ(RunPeer({L"mutex", wname, (dir.path() / L"second.txt").wstring()}), 0);
    EXPECT_EQ(zeva::ReadWholeFile(dir.path() / L"second.txt"), "held");
}

TEST(NamedMutexWin, AKilledHolderReleasesIt) {
    TempDir dir;
    const std::string name = "zeva-test-killed-" + std::to_string(GetCurrentProcessId());
    std::wstring line = L"\"" + Peer().wstring() + L"\" holdmutex " +
                        std::wstring(name.begin(), name.end()) + L" \"" +
                        (dir.path() / L"ready").wstring() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(Peer().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi));
    EXPECT_TRUE(WaitForFile(dir.path() / L"ready"));
    EXPECT_TRUE(zeva::NamedMutex::Create(name)->AlreadyExists());
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_FALSE(zeva::NamedMutex::Create(name)->AlreadyExists());
}

// Writers naming one file in different ways ("..", another case) share its
// lock: no increment is lost.
TEST(FileStoreWin, WritersSpellingThePathDifferentlyShareItsLock) {
    TempDir dir;
    fs::create_directories(dir.path() / L"Sub");
    const std::vector<fs::path> spellings = {dir.path() / L"counter",
                                             dir.path() / L"sub" / L".." / L"COUNTER"};
    std::vector<std::thread> writers;
    for (const fs::path& p : spellings) {
        writers.emplace_back([p] {
            for (int i = 0; i < 100; ++i) {
                zeva::RewriteFile(p, [](const std::string& cur) -> std::optional<std::string> {
                    return std::to_string((cur.empty() ? 0 : std::stoi(cur)) + 1);
                });
            }
        });
    }
    for (auto& w : writers) w.join();
    EXPECT_EQ(zeva::ReadWholeFile(dir.path() / L"counter"), "200");
}

// Another process opened the settings file without sharing deletion, for
// `holdMs`: the rewrite waits for it a while, else fails saying why, and
// nothing is lost or left behind either way.
struct Holder {
    explicit Holder(const fs::path& file, int holdMs, const fs::path& ready) {
        const std::wstring line = L"\"" + Peer().wstring() + L"\" hold \"" + file.wstring() +
                                  L"\" " + std::to_wstring(holdMs) + L" \"" + ready.wstring() +
                                  L"\"";
        std::wstring mutableLine = line;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        started = CreateProcessW(Peer().c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, nullptr, &si, &pi) != 0;
    }
    ~Holder() {
        if (!started) return;
        WaitForSingleObject(pi.hProcess, 30000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    bool started = false;
    PROCESS_INFORMATION pi{};
};

size_t Entries(const fs::path& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

TEST(FileStoreWin, AFileAnotherProcessHoldsBrieflyIsReplacedOnceItLetsGo) {
    TempDir dir;
    const fs::path file = dir.path() / L"\u8BBE\u7F6E.dat";
    ASSERT_TRUE(zeva::ReplaceFileContent(file, "old"));
    Holder holder(file, 700, dir.path() / L"ready");
    ASSERT_TRUE(holder.started);
    ASSERT_TRUE(WaitForFile(dir.path() / L"ready"));
    std::string error;
    EXPECT_TRUE(zeva::RewriteFile(
        file, [](const std::string& old) { return old + "+new"; }, &error))
        << error;
    EXPECT_EQ(zeva::ReadWholeFile(file), "old+new");
}

TEST(FileStoreWin, AFileHeldOpenTooLongIsLeftWholeAndTheErrorNamesIt) {
    TempDir dir;
    const fs::path file = dir.path() / L"Config.dat";
    ASSERT_TRUE(zeva::ReplaceFileContent(file, "kept"));
    Holder holder(file, 6000, dir.path() / L"ready");
    ASSERT_TRUE(holder.started);
    ASSERT_TRUE(WaitForFile(dir.path() / L"ready"));
    std::string error;
    const bool ok = zeva::RewriteFile(
        file, [](const std::string&) { return std::string("new"); }, &error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("Config.dat"), std::string::npos) << error;
    EXPECT_EQ(zeva::ReadWholeFile(file), "kept");
    EXPECT_EQ(Entries(dir.path()), 2u);  // the file and the peer's "ready"
}

TEST(FileStoreWin, AReadOnlyFileIsRewrittenAndStaysReadOnly) {
    TempDir dir;
    const fs::path file = dir.path() / L"UserConfig.dat";
    ASSERT_TRUE(zeva::ReplaceFileContent(file, "a"));
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    std::string error;
    EXPECT_TRUE(zeva::RewriteFile(
        file, [](const std::string& old) { return old + "b"; }, &error))
        << error;
    EXPECT_EQ(zeva::ReadWholeFile(file), "ab");
    const DWORD attrs = GetFileAttributesW(file.c_str());
    EXPECT_NE(attrs & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(attrs & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(Entries(dir.path()), 1u);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileStoreWin, PathsLongerThanMaxPathWork) {
    TempDir dir;
    fs::path folder = dir.path();
    for (int i = 0; folder.wstring().size() < 300; ++i)
        folder /= L"\u4E2D\u6587 folder " + std::to_wstring(i) + L" with a long name";
    std::error_code ec;
    fs::create_directories(fs::path(L"\\\\?\\" + folder.wstring()), ec);
    ASSERT_FALSE(ec) << ec.message();
    const fs::path file = folder / L"\u8BBE\u7F6E.dat";
    ASSERT_GT(file.wstring().size(), static_cast<size_t>(MAX_PATH));
    for (const char* text : {"first", "second"}) {
        std::string error;
        EXPECT_TRUE(zeva::RewriteFile(
            file, [&](const std::string&) { return std::string(text); }, &error))
            << error;
        EXPECT_EQ(zeva::ReadWholeFile(file), text);
    }
    EXPECT_TRUE(zeva::IdentifyFile(file));
    fs::remove_all(fs::path(L"\\\\?\\" + dir.path().wstring()), ec);
}

}  // namespace
