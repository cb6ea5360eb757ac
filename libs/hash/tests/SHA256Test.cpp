#include "SHA256.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "TestSupport.h"

using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

// sha256sum from coreutils as an independent reference.
std::string ReferenceSHA256(const std::filesystem::path& p) {
    const std::string cmd = "sha256sum '" + p.string() + "'";
    FILE* pipe = ::popen(cmd.c_str(), "r");
    if (pipe == nullptr) return "";
    char buf[80] = {};
    const size_t n = std::fread(buf, 1, 64, pipe);
    ::pclose(pipe);
    return std::string(buf, n);
}

TEST(SHA256, KnownVectorsAsLowerCaseHex) {
    struct Case {
        std::string data;
        const char* hex;
    };
    for (const Case& c :
         {Case{"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
          Case{"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"}}) {
        std::string out;
        ASSERT_EQ(CSHA256::GetBytesSHA256(c.data, out), 0);
        EXPECT_EQ(out, c.hex);
    }
    // A NUL inside the data counts.
    std::string withNul;
    std::string ab;
    CSHA256::GetBytesSHA256(std::string("a\0b", 3), withNul);
    CSHA256::GetBytesSHA256("ab", ab);
    EXPECT_NE(withNul, ab);
}

TEST(SHA256, FileDigestMatchesSha256sumAcrossBlockBoundaries) {
    TempDir dir;
    for (size_t size : {size_t{0}, size_t{256 * 1024}, size_t{1024 * 1024 + 3}}) {
        const auto path = dir / ("f" + std::to_string(size));
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
        WriteFile(path, data);
        std::string out;
        EXPECT_EQ(CSHA256::GetFileSHA256(path.c_str(), out), 0);
        EXPECT_EQ(out, ReferenceSHA256(path)) << "size " << size;
    }
    std::string out = "previous";
    EXPECT_EQ(CSHA256::GetFileSHA256("/nonexistent/file", out), -1);
    EXPECT_EQ(out, "");
}

}  // namespace
