#include "MD5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "TestSupport.h"

using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

std::string StringMD5(const char* s) {
    std::string out;
    EXPECT_EQ(CMD5::GetStringMD5(s, out), 0);
    return out;
}

// md5sum from coreutils as an independent reference.
std::string ReferenceMD5(const std::filesystem::path& p) {
    const std::string cmd = "md5sum '" + p.string() + "'";
    FILE* pipe = ::popen(cmd.c_str(), "r");
    if (pipe == nullptr) return "";
    char buf[64] = {};
    const size_t n = std::fread(buf, 1, 32, pipe);
    ::pclose(pipe);
    return std::string(buf, n);
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

TEST(MD5, FileDigestMatchesMd5sumAcrossBlockBoundaries) {
    TempDir dir;
    for (size_t size : {size_t{0}, size_t{1}, size_t{256 * 1024}, size_t{3 * 1024 * 1024 + 7}}) {
        const auto path = dir / ("f" + std::to_string(size));
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
        WriteFile(path, data);
        std::string out;
        EXPECT_EQ(CMD5::GetFileMD5(path.c_str(), out), 0);
        EXPECT_EQ(out, ReferenceMD5(path)) << "size " << size;
    }
}

TEST(MD5, MissingFileFailsWithEmptyText) {
    std::string out = "previous";
    EXPECT_EQ(CMD5::GetFileMD5("/nonexistent/file", out), -1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(CMD5::GetFileMD5(nullptr, out), -1);
    TempDir dir;
    EXPECT_EQ(CMD5::GetFileMD5(dir.path().c_str(), out), -1);  // a directory is not a file
}

TEST(MD5, CatalogStylePathsWithBackslashes) {
    TempDir dir;
    WriteFile(dir / "plug" / "a.dll", "abc");
    std::string out;
    EXPECT_EQ(CMD5::GetFileMD5((dir.path().string() + "/plug\\a.dll").c_str(), out), 0);
    EXPECT_EQ(out, "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
