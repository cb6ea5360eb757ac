#pragma once
// A sample installation and an update server for the engine's tests: the
// application directory with its settings, a release published on an
// in-process HTTP server, and a host that records what the engine asks of
// windows and processes.

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/evp.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Base64.h"
#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "FakeSyslog.h"
#include "MD5.h"
#include "SHA256.h"
#include "SigningKey.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "UpdateHost.h"
#include "platform/AppPath.h"

namespace zeva::test {

class RecordingHost : public IUpdateHost {
public:
    struct Notification {
        std::string oldVersion, newVersion, site;
    };
    struct Start {
        std::filesystem::path program;
        std::string parameters;
    };

    int ShowUpdateNotification(const std::string& o, const std::string& n,
                               const std::string& s) override {
        notifications.push_back({o, n, s});
        return answer;
    }
    void CloseRunningClient() override { ++closes; }
    void Pause(std::chrono::milliseconds d) override { pauses.push_back(d); }
    bool StartProgram(const std::filesystem::path& p, const std::string& params) override {
        starts.push_back({p, params});
        return true;
    }
    bool ReplaceFile(const std::filesystem::path& source,
                     const std::filesystem::path& target) override {
        const std::string name = target.filename().string();
        if (alwaysBusy.count(name) != 0) return false;
        if (busy.count(name) != 0 && std::filesystem::exists(target)) return false;
        std::error_code ec;
        std::filesystem::rename(source, target, ec);
        return !ec;
    }

    int answer = kIdYes;
    int closes = 0;
    std::vector<Notification> notifications;
    std::vector<std::chrono::milliseconds> pauses;
    std::vector<Start> starts;
    std::set<std::string> busy;        // in use while they exist under their name
    std::set<std::string> alwaysBusy;  // cannot be replaced at all
};

// Of every byte: published programs hold NULs, where a C string would end.
inline std::string Md5Of(const std::string& content) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(content.data(), content.size(), digest, &len, EVP_md5(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out.push_back(kHex[digest[i] >> 4]);
        out.push_back(kHex[digest[i] & 0xF]);
    }
    return out;
}

inline std::string Sha256Of(const std::string& content) {
    std::string out;
    CSHA256::GetBytesSHA256(content, out);
    return out;
}

// A release: relative names (backslash-separated, UTF-8 = system code page in
// these tests) with their contents, and the catalog that lists them.
struct Release {
    std::string version;
    std::string region;
    int unconditional = 0;
    int notify = 0;
    std::vector<std::pair<std::string, std::string>> files;
    bool crlf = false;
    bool sha256 = false;  // signed releases list each file's SHA256
    // Test-only forgeries: the MD5 written for a file, in place of its content's.
    std::map<std::string, std::string> md5Override{};
    // "SEQUENCE" and "EXPIRES" as a signed catalog carries them (empty: left out).
    std::string sequence{};
    std::string expires{};

    std::string MainCatalog() const {
        std::string s = "[Version]\nVERSION=" + version + "\nREGION=" + region +
                        "\nUNCONDITIONALUPDATE=" + std::to_string(unconditional) +
                        "\nNOTIFIY=" + std::to_string(notify) + "\n" + Stamp() + "[FILES]\n";
        for (const auto& [name, content] : files) s += name + "=\n";
        s += Sections();
        return crlf ? Crlf(s) : s;
    }
    std::string PluginCatalog(bool filesSection) const {
        std::string s;
        if (filesSection) {
            s += "[FILES]\n";
            for (const auto& [name, content] : files) s += name + "=\n";
        }
        s += Sections(true);
        return crlf ? Crlf(s) : s;
    }

private:
    std::string Sections(bool plugin = false) const {
        std::string s;
        for (const auto& [name, content] : files) {
            auto forged = md5Override.find(name);
            s += "[" + name +
                 "]\nMD5=" + (forged != md5Override.end() ? forged->second : Md5Of(content));
            if (sha256) s += "\nSHA256=" + Sha256Of(content);
            s += "\nSIZE=" + std::to_string(content.size()) + "\nMODIFYTIME=2026-12-01 10:00:00\n";
            if (!plugin) continue;
            s += Stamp();
        }
        return s;
    }
    std::string Stamp() const {
        std::string s;
        if (!sequence.empty()) s += "SEQUENCE=" + sequence + "\n";
        if (!expires.empty()) s += "EXPIRES=" + expires + "\n";
        return s;
    }
    static std::string Crlf(const std::string& s) {
        std::string out;
        for (char c : s) {
            if (c == '\n') out += '\r';
            out += c;
        }
        return out;
    }
};

// The all-zero "PublicKey" an installer may leave (a point of small order),
// and what an attacker without any private key pairs with it: R = identity, S = 0.
inline constexpr char kPlaceholderKey[] = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=";

inline std::string PlaceholderForgery() {
    std::string raw(64, '\0');
    raw[0] = 1;
    return Base64Encode(raw);
}

// Plain Ed25519 verification as OpenSSL does it, which takes small-order keys.
inline bool OpenSslAcceptsPlaceholderForgery(const std::string& data) {
    const std::string key(32, '\0');
    std::string sig;
    Base64Decode(PlaceholderForgery(), sig);
    EVP_PKEY* pkey = EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key.data()), key.size());
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    bool ok =
        pkey != nullptr && ctx != nullptr &&
        EVP_DigestVerifyInit(ctx, nullptr, nullptr, nullptr, pkey) == 1 &&
        EVP_DigestVerify(ctx, reinterpret_cast<const unsigned char*>(sig.data()), sig.size(),
                         reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
    EVP_MD_CTX_free(ctx);
    EVP_PKEY_free(pkey);
    ERR_clear_error();
    return ok;
}

// What the attacker does: adds empty lines to the catalog until the forgery
// "verifies" under the placeholder key (a good share of all texts do).
inline std::string ForgedCatalog(std::string catalog) {
    for (int i = 0; i < 256; ++i) {
        if (OpenSslAcceptsPlaceholderForgery(catalog)) return catalog;
        catalog += "\n";
    }
    ADD_FAILURE() << "no variant of the catalog takes the forged signature";
    return catalog;
}

inline std::string UrlPath(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

class UpdateFixture : public ::testing::Test {
protected:
    TempDir root;
    std::filesystem::path app = root / "app";
    ScopedEnv appEnv{"ZEVA_APP_DIR", (root / "app").string()};
    ScopedEnv registryEnv{"ZEVA_REGISTRY_DIR", (root / "registry").string()};
    ScopedEnv acpEnv{"ZEVA_ACP", std::string("UTF-8")};
    ScopedEnv proxyEnv{"http_proxy", std::nullopt};
    ScopedEnv proxyEnv2{"HTTP_PROXY", std::nullopt};
    TestHttpServer server;
    RecordingHost host;
    zeva::SigningKey releaseKey;
    FakeSyslog syslog;

    void SetUp() override { std::filesystem::create_directories(app); }

    // With the separator of the system, as the engine builds its paths.
    std::string AppAcp() const { return zeva::AcpPath(app) + zeva::kPathSeparator; }

    void Configure(const std::string& version, const std::string& region) {
        CCryptConfigFile config(AppAcp() + cfgkeys::kConfigDat, "");
        config.WriteString(cfgkeys::kSectionUpdate, cfgkeys::kKeyVersion, version);
        config.WriteString(cfgkeys::kSectionUpdate, cfgkeys::kKeyRegion, region);
        config.WriteString(cfgkeys::kSectionUpdate, cfgkeys::kKeyServerIP, "127.0.0.1");
        config.WriteInteger(cfgkeys::kSectionUpdate, cfgkeys::kKeyServerPort, server.port());
        config.WriteString(cfgkeys::kSectionServer, cfgkeys::kKeyWebSiteURL,
                           "http://127.0.0.1/site");
        CCryptConfigFile user(AppAcp() + cfgkeys::kUserConfigDat, "");
        user.WriteInteger(cfgkeys::kSectionServer, cfgkeys::kKeyUseProxy, 0);
    }
    std::string ConfigValue(const char* section, const char* key) const {
        CCryptConfigFile config(AppAcp() + cfgkeys::kConfigDat, "");
        std::string v;
        config.ReadString(section, key, "", v);
        return v;
    }

    // Publishes a main-program release for update type 1 under `prefix`.
    void Publish(const Release& r, const std::string& type = "1", const std::string& prefix = "") {
        server.Put("/" + type + "/" + prefix + "UpdateConfig.ini", r.MainCatalog());
        PutFiles(r, type, prefix);
    }
    // A release key pair; Config.dat [Update] PublicKey is set to `keysText`
    // ("" leaves it unset, "%" stands for this key's public half).
    void UseKey(const std::string& keysText = "%") {
        std::string error;
        if (!releaseKey.IsSet()) {
            ASSERT_EQ(releaseKey.Generate(error), 0) << error;
        }
        std::string text = keysText;
        if (const size_t at = text.find('%'); at != std::string::npos)
            text.replace(at, 1, releaseKey.PublicKeyBase64());
        CCryptConfigFile config(AppAcp() + cfgkeys::kConfigDat, "");
        config.WriteString(cfgkeys::kSectionUpdate, cfgkeys::kKeyPublicKey, text);
    }
    std::string Sign(const std::string& text, const zeva::SigningKey& with) const {
        std::string sig;
        std::string error;
        EXPECT_EQ(with.Sign(text, sig, error), 0) << error;
        return sig;
    }
    // Publishes the release with SHA256 keys and its catalog signed by `with` (the fixture's key).
    void PublishSigned(Release r, const zeva::SigningKey* with = nullptr) {
        r.sha256 = true;
        const std::string catalog = r.MainCatalog();
        server.Put("/1/UpdateConfig.ini", catalog);
        server.Put("/1/UpdateConfig.ini.sig", Sign(catalog, with != nullptr ? *with : releaseKey));
        PutFiles(r, "1", "");
    }
    // The release with the placeholder key's forged signature over a catalog
    // made to take it; the installation is given the placeholder key.
    void PublishForged(Release r) {
        r.sha256 = true;
        const std::string catalog = ForgedCatalog(r.MainCatalog());
        server.Put("/1/UpdateConfig.ini", catalog);
        server.Put("/1/UpdateConfig.ini.sig", PlaceholderForgery());
        PutFiles(r, "1", "");
        UseKey(kPlaceholderKey);
    }
    void PublishPluginForged(Release r, bool filesSection, const std::string& type,
                             const std::string& prefix = "") {
        r.sha256 = true;
        const std::string catalog = ForgedCatalog(r.PluginCatalog(filesSection));
        server.Put("/" + type + "/" + UrlPath(prefix) + "config.ini", catalog);
        server.Put("/" + type + "/" + UrlPath(prefix) + "config.ini.sig", PlaceholderForgery());
        PutFiles(r, type, prefix);
        UseKey(kPlaceholderKey);
    }
    // A plug-in release with SHA256 keys and its catalog signed by the fixture's key.
    void PublishPluginSigned(Release r, bool filesSection, const std::string& type,
                             const std::string& prefix = "") {
        r.sha256 = true;
        const std::string catalog = r.PluginCatalog(filesSection);
        server.Put("/" + type + "/" + UrlPath(prefix) + "config.ini", catalog);
        server.Put("/" + type + "/" + UrlPath(prefix) + "config.ini.sig",
                   Sign(catalog, releaseKey));
        PutFiles(r, type, prefix);
    }
    void PublishPlugin(const Release& r, bool filesSection, const std::string& type,
                       const std::string& prefix = "") {
        server.Put("/" + type + "/" + UrlPath(prefix) + "config.ini",
                   r.PluginCatalog(filesSection));
        PutFiles(r, type, prefix);
    }
    void PutFiles(const Release& r, const std::string& type, const std::string& prefix) {
        for (const auto& [name, content] : r.files) {
            server.Put("/" + type + "/" + UrlPath(prefix + name), content);
        }
    }
    void Install(const std::string& name, const std::string& content) {
        WriteFile(app / UrlPath(name), content);
    }
    std::string Installed(const std::string& name) const { return ReadFile(app / UrlPath(name)); }
    // The refusal cases of signed releases: an installation at 2.0 in region
    // 330000 whose last installed catalog had sequence 300, and `r` published
    // signed under `keysText`, or forged under the all-zero key.
    void InstalledAndPublished(const Release& r, const std::string& keysText, bool forge) {
        Configure("2.0", "330000");
        Install("ZEVAClient", "client v2");
        {
            CCryptConfigFile config(AppAcp() + cfgkeys::kConfigDat, "");
            config.WriteString(cfgkeys::kSectionCatalogSequence, cfgkeys::kKeyProgramJob, "300");
        }
        if (forge) {
            PublishForged(r);
        } else {
            UseKey(keysText);
            PublishSigned(r);
        }
    }
    // URL paths requested, catalog included.
    std::vector<std::string> Requests() const { return server.Requests(); }
};

}  // namespace zeva::test
