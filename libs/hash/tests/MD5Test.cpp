#include "MD5.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/AppPath.h"

using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

std::string StringMD5(const char* s) {
    std::string out;
    EXPECT_EQ(CMD5::GetStringMD5(s, out), 0);
    return out;
}

TEST(MD5, KnownVectorsAsLowerCaseHex) {
    EXPECT_EQ(StringMD5(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(StringMD5(nullptr), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(StringMD5("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(StringMD5("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(
        StringMD5(
            "12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
        "57edf4a22be3c955ac49da2e2107b67a");
}

// The references are md5sum's (coreutils) for the same content.
TEST(MD5, FileDigestMatchesMd5sumAcrossBlockBoundaries) {
    struct Case {
        size_t size;
        const char* md5sum;
    };
    TempDir dir;
    for (const Case& c :
         {Case{0, "d41d8cd98f00b204e9800998ecf8427e"}, Case{1, "93b885adfe0da089cdf634904fd59f71"},
          Case{256 * 1024, "aa31905e5b5e977d2c1924522f380782"},
          Case{3 * 1024 * 1024 + 7, "1d020577dd1757462623ac05af3ea53a"}}) {
        const size_t size = c.size;
        const auto path = dir / ("f" + std::to_string(size));
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
        WriteFile(path, data);
        std::string out;
        EXPECT_EQ(CMD5::GetFileMD5(zeva::AcpPath(path).c_str(), out), 0);
        EXPECT_EQ(out, c.md5sum) << "size " << size;
    }
}

TEST(MD5, MissingFileFailsWithEmptyText) {
    std::string out = "previous";
    EXPECT_EQ(CMD5::GetFileMD5("/nonexistent/file", out), -1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(CMD5::GetFileMD5(nullptr, out), -1);
    TempDir dir;
    EXPECT_EQ(CMD5::GetFileMD5(zeva::AcpPath(dir.path()).c_str(), out),
              -1);  // a directory is not a file
}

TEST(MD5, CatalogStylePathsWithBackslashes) {
    TempDir dir;
    WriteFile(dir / "plug" / "a.dll", "abc");
    std::string out;
    EXPECT_EQ(CMD5::GetFileMD5((zeva::AcpPath(dir.path()) + "/plug\\a.dll").c_str(), out), 0);
    EXPECT_EQ(out, "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
