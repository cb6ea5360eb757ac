#include "platform/Registry.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/InternetSettings.h"

using zeva::RegistryHive;
using zeva::RegistryKey;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv root{"ZEVA_REGISTRY_DIR", dir.path().string()};
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
    ScopedEnv proxy1{"http_proxy", std::nullopt};
    ScopedEnv proxy2{"HTTP_PROXY", std::nullopt};
};

TEST_F(RegistryTest, KeysOpenOnlyWhenTheyExist) {
    EXPECT_FALSE(RegistryKey::Open(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo"));
    ASSERT_TRUE(RegistryKey::Create(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo"));
    EXPECT_TRUE(RegistryKey::Open(RegistryHive::LocalMachine, "software\\PELMO"));
    EXPECT_FALSE(RegistryKey::Open(RegistryHive::CurrentUser, "SOFTWARE\\Pelmo"));
}

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
    auto key = RegistryKey::Create(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo");
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->SetString("InstallPath", "/opt/\xD6\xD0\xCE\xC4/"));
    EXPECT_TRUE(key->SetString("Version", "1.0.3"));
    EXPECT_TRUE(key->SetDword("Count", 4294967295u));
    EXPECT_TRUE(key->SetString("Odd", "tab\there\nnew\\line"));

    auto again = RegistryKey::Open(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->QueryString("installpath"), "/opt/\xD6\xD0\xCE\xC4/");
    EXPECT_EQ(again->QueryString("Version"), "1.0.3");
    EXPECT_EQ(again->QueryDword("Count"), 4294967295u);
    EXPECT_EQ(again->QueryString("Odd"), "tab\there\nnew\\line");
    // A value of another type, or none at all, does not read.
    EXPECT_FALSE(again->QueryDword("Version"));
    EXPECT_FALSE(again->QueryString("Missing"));

    EXPECT_TRUE(again->SetString("VERSION", "1.0.4"));
    EXPECT_EQ(key->QueryString("Version"), "1.0.4");
    EXPECT_TRUE(key->DeleteValue("Version"));
    EXPECT_FALSE(key->QueryString("Version"));
    EXPECT_FALSE(key->DeleteValue("Version"));
}

TEST_F(RegistryTest, KeyNamesCannotLeaveTheStore) {
    EXPECT_FALSE(RegistryKey::Create(RegistryHive::CurrentUser, "Software\\..\\..\\escape"));
    EXPECT_FALSE(std::filesystem::exists(dir.path().parent_path() / "escape"));
}

TEST_F(RegistryTest, ProxyComesFromInternetSettings) {
    auto key = RegistryKey::Create(RegistryHive::CurrentUser, zeva::kInternetSettingsKey);
    ASSERT_TRUE(key);
    key->SetDword("ProxyEnable", 1);
    key->SetString("ProxyServer", "127.0.0.1:8080");
    ScopedEnv env("http_proxy", "http://10.9.9.9:3128/");
    const auto s = zeva::ReadInternetProxySettings();
    EXPECT_TRUE(s.keyFound);
    EXPECT_EQ(s.proxyEnable, 1u);
    EXPECT_EQ(s.proxyServer, "127.0.0.1:8080");
}

TEST_F(RegistryTest, ExistingKeyWithoutValuesMeansNoProxyEvenWithEnvironment) {
    ASSERT_TRUE(RegistryKey::Create(RegistryHive::CurrentUser, zeva::kInternetSettingsKey));
    ScopedEnv env("http_proxy", "http://127.0.0.1:3128/");
    const auto s = zeva::ReadInternetProxySettings();
    EXPECT_TRUE(s.keyFound);
    EXPECT_FALSE(s.proxyEnable);
    EXPECT_FALSE(s.proxyServer);
}

TEST_F(RegistryTest, WithoutTheKeyTheEnvironmentNamesTheProxy) {
    EXPECT_FALSE(zeva::ReadInternetProxySettings().keyFound);
    ScopedEnv env("HTTP_PROXY", "http://user:pw@127.0.0.1:3128/");
    const auto s = zeva::ReadInternetProxySettings();
    EXPECT_TRUE(s.keyFound);
    EXPECT_EQ(s.proxyEnable, 1u);
    EXPECT_EQ(s.proxyServer, "127.0.0.1:3128");
}

TEST(ProxyServerFromUrl, AcceptsTheFormsUsersWrite) {
    EXPECT_EQ(zeva::ProxyServerFromUrl("http://proxy:8080/"), "proxy:8080");
    EXPECT_EQ(zeva::ProxyServerFromUrl("proxy:8080"), "proxy:8080");
    EXPECT_EQ(zeva::ProxyServerFromUrl("http://a:b@proxy:8080"), "proxy:8080");
    EXPECT_EQ(zeva::ProxyServerFromUrl("proxy"), "proxy");
}

}  // namespace
