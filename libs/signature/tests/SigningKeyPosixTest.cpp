// What the key file is on Linux: mode 0600, and plain Ed25519 that OpenSSL's
// own command line verifies (a shell and the openssl program).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "Base64.h"
#include "SigningKey.h"
#include "TestSupport.h"

namespace {

using zeva::SigningKey;

TEST(SigningKeyFilePosix, SavedPrivateKeyIsOwnerOnly) {
    zeva::test::TempDir dir;
    const auto path = dir / "release.key";
    SigningKey key;
    std::string error;
    ASSERT_EQ(key.Generate(error), 0) << error;
    ASSERT_EQ(key.Save(path, error), 0) << error;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SigningKeyFilePosix, SignatureVerifiesWithTheOpensslTool) {
    zeva::test::TempDir dir;
    SigningKey key;
    std::string error;
    ASSERT_EQ(key.Generate(error), 0) << error;
    ASSERT_EQ(key.Save(dir / "k.pem", error), 0);
    const std::string data = "catalog bytes\r\n";
    zeva::test::WriteFile(dir / "data", data);
    std::string sig;
    ASSERT_EQ(key.Sign(data, sig, error), 0) << error;
    std::string raw;
    ASSERT_TRUE(zeva::Base64Decode(sig, raw));
    zeva::test::WriteFile(dir / "data.sig", raw);
    const std::string d = dir.path().string();
    const std::string cmd = "openssl pkey -in '" + d + "/k.pem' -pubout -out '" + d +
                            "/pub.pem' && openssl pkeyutl -verify -pubin -inkey '" + d +
                            "/pub.pem' -rawin -in '" + d + "/data' -sigfile '" + d +
                            "/data.sig' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    zeva::test::WriteFile(dir / "data", data + "x");
    EXPECT_NE(std::system(cmd.c_str()), 0);
}

}  // namespace
