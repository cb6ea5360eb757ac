#include <gtest/gtest.h>

#include "IEMgr.h"
#include "TestSupport.h"
#include "platform/InternetSettings.h"
#include "platform/Registry.h"

using zeva::test::ScopedEnv;

TEST(IEMgr, ProxyServerTextForms) {
    auto p = zeva::ParseProxyServer("proxy.example:3128");
    EXPECT_EQ(p.Address, "proxy.example");
    EXPECT_EQ(p.Port, 3128);
    p = zeva::ParseProxyServer("http=10.0.0.1:8080;https=10.0.0.2:8443");
    EXPECT_EQ(p.Address, "10.0.0.1");
    EXPECT_EQ(p.Port, 8080);
    p = zeva::ParseProxyServer("proxyhost");
    EXPECT_EQ(p.Address, "proxyhost");
    EXPECT_EQ(p.Port, 0);
    p = zeva::ParseProxyServer("host:99999");
    EXPECT_EQ(p.Port, 0);
    p = zeva::ParseProxyServer("http://user@host:81/");
    EXPECT_EQ(p.Address, "user@host");
    EXPECT_EQ(p.Port, 81);
}

TEST(IEMgr, ReadsTheInternetSettingsAndTheirSwitch) {
    zeva::test::TempDir reg;
    ScopedEnv regDir("ZEVA_REGISTRY_DIR", reg.path().string());
    ScopedEnv p1("http_proxy", std::nullopt), p2("HTTP_PROXY", std::nullopt);
    COMMON_ServerAddress proxy;
    bool enabled = true;
    std::string error;
    ASSERT_EQ(CIEMgr::GetIEProxy(proxy, enabled, error), 0);
    EXPECT_FALSE(enabled);  // no settings at all
    EXPECT_EQ(zeva::UserProxyUrl(), "");

    auto key =
        zeva::RegistryKey::Create(zeva::RegistryHive::CurrentUser, zeva::kInternetSettingsKey);
    ASSERT_TRUE(key);
    key->SetDword("ProxyEnable", 0);
    key->SetString("ProxyServer", "127.0.0.1:3128");
    ASSERT_EQ(CIEMgr::GetIEProxy(proxy, enabled, error), 0);
    EXPECT_FALSE(enabled);  // switched off
    key->SetDword("ProxyEnable", 1);
    ASSERT_EQ(CIEMgr::GetIEProxy(proxy, enabled, error), 0);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(proxy.Address, "127.0.0.1");
    EXPECT_EQ(proxy.Port, 3128);
    EXPECT_EQ(zeva::UserProxyUrl(), "http://127.0.0.1:3128");
    key->SetString("ProxyServer", "");
    EXPECT_EQ(CIEMgr::GetIEProxy(proxy, enabled, error), -1);
    EXPECT_FALSE(enabled);
}
