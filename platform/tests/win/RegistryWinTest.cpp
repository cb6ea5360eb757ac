// The registry store against the Windows registry itself: names and strings
// reach it as UTF-16, and what other programs store there reads back. Every
// case keeps to a private key of HKEY_CURRENT_USER and deletes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/InternetSettings.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;
using zeva::RegistryHive;
using zeva::RegistryKey;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;

namespace {

class RegistryWin : public ::testing::Test {
protected:
    const std::wstring privateKey = L"Software\\Zeva\\Test " +
                                    std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(GetTickCount64());
    ScopedEnv key{"ZEVA_REGISTRY_KEY", Narrow(privateKey)};
    ScopedEnv dir{"ZEVA_REGISTRY_DIR", std::nullopt};
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};

    void TearDown() override {
        EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, privateKey.c_str()), ERROR_SUCCESS);
    }

    static std::string Narrow(const std::wstring& w) {
        return std::string(w.begin(), w.end());  // ASCII only
    }
    std::wstring Raw(const std::wstring& hive, const std::wstring& sub) const {
        return privateKey + L"\\" + hive + L"\\" + sub;
    }
    void PutRaw(const std::wstring& sub, const std::wstring& name, DWORD type,
                const std::vector<BYTE>& data) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Raw(L"HKEY_LOCAL_MACHINE", sub).c_str(), 0,
                                  nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(
            RegSetValueExW(k, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
        RegCloseKey(k);
    }
};

std::vector<BYTE> Bytes(const std::wstring& text, bool terminated) {
    const auto* p = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(p, p + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

TEST_F(RegistryWin, ChineseKeyAndValueNamesAreStoredAsUtf16) {
    // "软件\中文", "版本" and "中文路径" in the system code page (GBK).
    auto k = RegistryKey::Create(RegistryHive::LocalMachine, "\xC8\xED\xBC\xFE\\\xD6\xD0\xCE\xC4");
    ASSERT_TRUE(k);
    ASSERT_TRUE(k->SetString("\xB0\xE6\xB1\xBE", "D:\\\xD6\xD0\xCE\xC4\xC2\xB7\xBE\xB6\\"));
    ASSERT_TRUE(k->SetDword("\xB0\xE6\xB1\xBE#", 7));

    wchar_t text[64];
    DWORD size = sizeof text;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, Raw(L"HKEY_LOCAL_MACHINE", L"软件\\中文").c_str(),
                           L"版本", RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(text), L"D:\\中文路径\\");
    DWORD number = 0;
    size = sizeof number;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, Raw(L"HKEY_LOCAL_MACHINE", L"软件\\中文").c_str(),
                           L"版本#", RRF_RT_REG_DWORD, nullptr, &number, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(number, 7u);

    // Names match whatever their case, and in UTF-8 when that is the code page.
    auto again =
        RegistryKey::Open(RegistryHive::LocalMachine, "\xC8\xED\xBC\xFE\\\xD6\xD0\xCE\xC4");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->QueryString("\xB0\xE6\xB1\xBE"), "D:\\\xD6\xD0\xCE\xC4\xC2\xB7\xBE\xB6\\");
    ScopedEnv utf8("ZEVA_ACP", "UTF-8");
    auto wide = RegistryKey::Open(RegistryHive::LocalMachine, "软件\\中文");
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->QueryString("版本"), "D:\\中文路径\\");
    EXPECT_TRUE(wide->SetString("한국어", "日本語 und Ä"));
    EXPECT_EQ(wide->QueryString("한국어"), "日本語 und Ä");
}

TEST_F(RegistryWin, WhatOtherProgramsStoreReadsAsWindowsMeansIt) {
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> data;
        std::optional<std::string> asString;
        std::optional<std::uint32_t> asDword;
    };
    SetEnvironmentVariableW(L"ZEVA_TEST_DRIVE", L"E:");
    const std::vector<Case> cases = {
        {L"Terminated", REG_SZ, Bytes(L"C:\\Pelmo", true), "C:\\Pelmo", std::nullopt},
        {L"Unterminated", REG_SZ, Bytes(L"1.0.3", false), "1.0.3", std::nullopt},
        {L"Expandable", REG_EXPAND_SZ, Bytes(L"%ZEVA_TEST_DRIVE%\\Pelmo", true), "E:\\Pelmo",
         std::nullopt},
        {L"Empty", REG_SZ, {}, "", std::nullopt},
        {L"Number", REG_DWORD, {1, 0, 0, 0}, std::nullopt, 1u},
        {L"Short", REG_DWORD, {1, 0}, std::nullopt, std::nullopt},
        {L"Binary", REG_BINARY, {'a', 0, 'b', 0}, std::nullopt, std::nullopt},
        {L"Quad", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) PutRaw(L"SOFTWARE\\Pelmo", c.name, c.type, c.data);
    auto k = RegistryKey::Open(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo");
    ASSERT_TRUE(k);
    for (const Case& c : cases) {
        const std::string name(c.name, c.name + wcslen(c.name));
        EXPECT_EQ(k->QueryString(name), c.asString) << name;
        EXPECT_EQ(k->QueryDword(name), c.asDword) << name;
    }
    // A long value is read whole.
    const std::wstring longText(5000, L'x');
    PutRaw(L"SOFTWARE\\Pelmo", L"Long", REG_SZ, Bytes(longText, true));
    EXPECT_EQ(k->QueryString("Long"), std::string(5000, 'x'));
    SetEnvironmentVariableW(L"ZEVA_TEST_DRIVE", nullptr);
}

TEST_F(RegistryWin, HivesAreApartAndDeletingSaysWhetherThereWasAValue) {
    auto user = RegistryKey::Create(RegistryHive::CurrentUser, "SOFTWARE\\Pelmo");
    ASSERT_TRUE(user);
    EXPECT_FALSE(RegistryKey::Open(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo"));
    EXPECT_TRUE(user->SetString("Version", "1.0"));
    EXPECT_TRUE(user->DeleteValue("VERSION"));
    EXPECT_FALSE(user->DeleteValue("Version"));
    EXPECT_FALSE(user->QueryString("Version"));
    EXPECT_FALSE(RegistryKey::Create(RegistryHive::CurrentUser, "SOFTWARE\\.\\Pelmo"));
}

TEST_F(RegistryWin, TheProxyIsReadFromTheUsersInternetSettings) {
    auto k = RegistryKey::Create(RegistryHive::CurrentUser, zeva::kInternetSettingsKey);
    ASSERT_TRUE(k);
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER,
                            Raw(L"HKEY_CURRENT_USER",
                                L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings")
                                .c_str(),
                            0, KEY_SET_VALUE, &raw),
              ERROR_SUCCESS);
    const DWORD enable = 1;
    RegSetValueExW(raw, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                   sizeof enable);
    const auto server = Bytes(L"127.0.0.1:3128", true);
    RegSetValueExW(raw, L"ProxyServer", 0, REG_SZ, server.data(),
                   static_cast<DWORD>(server.size()));
    RegCloseKey(raw);
    const auto s = zeva::ReadInternetProxySettings();
    EXPECT_TRUE(s.keyFound);
    EXPECT_EQ(s.proxyEnable, 1u);
    EXPECT_EQ(s.proxyServer, "127.0.0.1:3128");
}

// Tests of every component name a folder of their own as the store: the key
// it owns starts empty even when an earlier folder of that name left one.
TEST(RegistryWinFolder, AFolderOwnsAFreshPrivateKey) {
    ScopedEnv noKey("ZEVA_REGISTRY_KEY", std::nullopt);
    TempDir dir;
    const fs::path store = dir.path() / L"注册表 store";
    const std::u8string u8 = store.u8string();
    ScopedEnv env("ZEVA_REGISTRY_DIR", std::string(u8.begin(), u8.end()));
    EXPECT_FALSE(RegistryKey::Open(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo"));
    EXPECT_FALSE(fs::exists(store));
    auto k = RegistryKey::Create(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo");
    ASSERT_TRUE(k);
    EXPECT_TRUE(k->SetString("Version", "2.0"));
    EXPECT_EQ(
        RegistryKey::Open(RegistryHive::LocalMachine, "software\\pelmo")->QueryString("Version"),
        "2.0");
    // Nothing of it reached the real hive.
    HKEY real = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Pelmo", 0, KEY_READ, &real) ==
        ERROR_SUCCESS) {
        EXPECT_NE(RegQueryValueExW(real, L"Version", nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(real);
    }
    // The folder is gone and made again: its old key is not seen.
    fs::remove_all(store);
    EXPECT_FALSE(RegistryKey::Open(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo"));
    auto fresh = RegistryKey::Create(RegistryHive::LocalMachine, "SOFTWARE\\Pelmo");
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(fresh->QueryString("Version"));
}

// The machine-wide values are where the 32-bit installers and earlier
// versions keep them: the 32-bit view of HKEY_LOCAL_MACHINE. Needs the right
// to write there (Wine gives it); the key is the test's own and is deleted.
TEST(RegistryWinMachine, MachineValuesLiveInTheViewOf32BitPrograms) {
    ScopedEnv noKey("ZEVA_REGISTRY_KEY", std::nullopt);
    ScopedEnv noDir("ZEVA_REGISTRY_DIR", std::nullopt);
    const std::string name = "SOFTWARE\\Zeva Test " + std::to_string(GetCurrentProcessId());
    const std::wstring wide(name.begin(), name.end());
    auto k = RegistryKey::Create(RegistryHive::LocalMachine, name);
    if (!k || !k->SetString("Version", "1.0.3")) GTEST_SKIP() << "no right to write HKLM";
    HKEY view32 = nullptr;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &view32),
        ERROR_SUCCESS);
    wchar_t text[32];
    DWORD size = sizeof text;
    EXPECT_EQ(RegGetValueW(view32, nullptr, L"Version", RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    RegCloseKey(view32);
    EXPECT_EQ(std::wstring(text), L"1.0.3");
    HKEY native = nullptr;
    const bool in64 = RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                                    &native) == ERROR_SUCCESS;
    if (in64) RegCloseKey(native);
    EXPECT_FALSE(in64) << "the value went to the 64-bit view";
    EXPECT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, wide.c_str(), KEY_WOW64_32KEY, 0), ERROR_SUCCESS);
}

}  // namespace
