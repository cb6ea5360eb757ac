#include "SHA256.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/AppPath.h"

using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

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

// The references are sha256sum's (coreutils) for the same content.
TEST(SHA256, FileDigestMatchesSha256sumAcrossBlockBoundaries) {
    struct Case {
        size_t size;
        const char* sha256sum;
    };
    TempDir dir;
    for (const Case& c :
         {Case{0, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
          Case{256 * 1024, "e6ceb6b4b67dd539bcf622efb0a4d037ac6dbfb699a5f92d04fd320cadda2c7f"},
          Case{1024 * 1024 + 3,
               "951adad5d75984a0226f7053cbf833202b64d8faa2337f60956912b0cd607f1f"}}) {
        const size_t size = c.size;
        const auto path = dir / ("f" + std::to_string(size));
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
        WriteFile(path, data);
        std::string out;
        EXPECT_EQ(CSHA256::GetFileSHA256(zeva::AcpPath(path).c_str(), out), 0);
        EXPECT_EQ(out, c.sha256sum) << "size " << size;
    }
    std::string out = "previous";
    EXPECT_EQ(CSHA256::GetFileSHA256("/nonexistent/file", out), -1);
    EXPECT_EQ(out, "");
}

}  // namespace
