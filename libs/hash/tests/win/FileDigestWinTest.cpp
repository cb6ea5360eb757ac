// The Windows half of the file digests: paths handed over in the system code
// page reach the file through UTF-16, and a file another program holds open
// (as the updater meets a running plug-in) is still read.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "MD5.h"
#include "SHA256.h"
#include "TestSupport.h"
#include "platform/AppPath.h"

namespace fs = std::filesystem;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;

namespace {

// "软件\中文\插件.dll": 软 ends in GBK with 0xFE, no separator; the backslashes are.
const std::string kGbkFile = "\xC8\xED\xBC\xFE\\\xD6\xD0\xCE\xC4\\\xB2\xE5\xBC\xFE.dll";
const wchar_t kWideFolder[] = L"\u8F6F\u4EF6\\\u4E2D\u6587";
const wchar_t kWideFile[] = L"\u63D2\u4EF6.dll";

TEST(FileDigestWin, ChineseNamesInTheSystemCodePageReachTheFile) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);  // GBK, code page 936
    TempDir dir;
    const fs::path folder = dir.path() / kWideFolder;
    fs::create_directories(folder);
    zeva::test::WriteFile(folder / kWideFile, "abc");
    const std::string path = zeva::AcpPath(dir.path()) + "\\" + kGbkFile;
    std::string md5;
    std::string sha;
    ASSERT_EQ(CMD5::GetFileMD5(path.c_str(), md5), 0) << path;
    EXPECT_EQ(md5, "900150983cd24fb0d6963f7d28e17f72");
    ASSERT_EQ(CSHA256::GetFileSHA256(path.c_str(), sha), 0);
    EXPECT_EQ(sha, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // A missing name in the same folder is a failure, not a digest of something else.
    EXPECT_EQ(CMD5::GetFileMD5((zeva::AcpPath(folder) + "\\x.dll").c_str(), md5), -1);
    EXPECT_EQ(md5, "");
}

TEST(FileDigestWin, AFileHeldOpenForWritingIsStillRead) {
    TempDir dir;
    const fs::path file = dir.path() / L"held.dll";
    zeva::test::WriteFile(file, "abc");
    const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string md5;
    EXPECT_EQ(CMD5::GetFileMD5(zeva::AcpPath(file).c_str(), md5), 0);
    EXPECT_EQ(md5, "900150983cd24fb0d6963f7d28e17f72");
    CloseHandle(held);

    // One that its owner opened without sharing reads cannot be: a failure with no digest.
    const HANDLE locked = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CMD5::GetFileMD5(zeva::AcpPath(file).c_str(), md5), -1);
    EXPECT_EQ(md5, "");
    CloseHandle(locked);
}

}  // namespace
