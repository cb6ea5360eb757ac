// Signed releases: with Config.dat [Update] PublicKey set, a catalog counts
// only when its detached signature verifies, and every file must match the
// catalog's SHA256. Without a key nothing changes.

#include <gtest/gtest.h>

#include <algorithm>

#include "CryptConfigFile.h"
#include "UpdateFixture.h"
#include "UpdateJob.h"
#include "platform/AppPath.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using zeva::test::Fault;
using zeva::test::Release;

namespace {

class SignedUpdateTest : public zeva::test::UpdateFixture {
protected:
    Release Sample() const {
        return Release{
            "2.0", "330000", 0, 0, {{"ZEVAClient", "client v2"}, {"plug\\tool.dll", "tool v2"}}};
    }
    void InstallOld() {
        Install("ZEVAClient", "client v1");
        Install("plug\\tool.dll", "tool v1");
    }
    bool Installed2() const {
        return Installed("ZEVAClient") == "client v2" && Installed("plug\\tool.dll") == "tool v2";
    }
    bool Untouched() const {
        return Installed("ZEVAClient") == "client v1" && Installed("plug\\tool.dll") == "tool v1" &&
               ConfigValue(keys::kSectionUpdate, keys::kKeyVersion) == "1.0";
    }
    // Files other than the catalog and its signature that were asked for.
    size_t FileRequests() const {
        const auto r = Requests();
        return static_cast<size_t>(std::count_if(r.begin(), r.end(), [](const std::string& p) {
            return p.find("UpdateConfig.ini") == std::string::npos;
        }));
    }
};

// Every way a catalog can fail its signature ends the job as a failed catalog download.
TEST_F(SignedUpdateTest, CatalogIsUsedOnlyWhenAConfiguredKeyVerifiesIt) {
    ASSERT_TRUE(syslog.ok());
    zeva::SigningKey other;
    std::string error;
    ASSERT_EQ(other.Generate(error), 0);
    struct Case {
        const char* what;
        std::string keys;  // "%" is the release key
        std::function<void()> tamper;
        bool ok;
        const char* reason;
    };
    const std::string catalog = [&] {
        Release r = Sample();
        r.sha256 = true;
        return r.MainCatalog();
    }();
    const std::vector<Case> cases = {
        {"valid signature", "%", [] {}, true, ""},
        {"one byte of the catalog changed", "%",
         [&] {
             std::string changed = catalog;
             changed[changed.find("2.0")] = '3';
             server.Put("/1/UpdateConfig.ini", changed);
         },
         false, "does not verify"},
        {"signed by another key", "%",
         [&] { server.Put("/1/UpdateConfig.ini.sig", Sign(catalog, other)); }, false,
         "does not verify"},
        {"signature missing", "%", [&] { server.Remove("/1/UpdateConfig.ini.sig"); }, false,
         "could not be fetched"},
        {"signature not base64", "%",
         [&] { server.Put("/1/UpdateConfig.ini.sig", "<html>not found</html>"); }, false,
         "not base64"},
        {"second, rotated key signs", other.PublicKeyBase64() + ",%", [] {}, true, ""},
        {"old key listed first signs", "%," + other.PublicKeyBase64(), [] {}, true, ""},
        {"configured key is not a key", "abc", [] {}, false, "PublicKey"},
        // What an installer may leave: with R = identity and S = 0 such a key
        // "verifies" about half of all catalogs, no private key needed.
        {"configured key is the all-zero placeholder", zeva::test::kPlaceholderKey,
         [&] {
             server.Put("/1/UpdateConfig.ini", zeva::test::ForgedCatalog(catalog));
             server.Put("/1/UpdateConfig.ini.sig", zeva::test::PlaceholderForgery());
         },
         false, "small order"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (auto options : {zeva::UpdateOptions::Full(), zeva::UpdateOptions::Silent()}) {
            Configure("1.0", "330000");
            InstallOld();
            UseKey(c.keys);
            PublishSigned(Sample());
            c.tamper();
            server.ClearRequests();
            syslog.Drain();
            UpdateJob job(1, "Program", options, &host);
            EXPECT_EQ(job.RunProgramJob(), c.ok);
            const auto records = syslog.Drain();
            if (c.ok) {
                EXPECT_TRUE(Installed2());
                EXPECT_TRUE(records.empty());
            } else {
                EXPECT_TRUE(Untouched());
                EXPECT_EQ(FileRequests(), 0u) << "nothing is fetched after a refused catalog";
                EXPECT_FALSE(fs::exists(zeva::NativePath(job.stagingDir() + "UpdateConfig.ini")));
                ASSERT_EQ(records.size(), 1u);
                EXPECT_NE(records[0].find(c.reason), std::string::npos) << records[0];
                EXPECT_NE(records[0].find("UpdateConfig.ini"), std::string::npos) << records[0];
            }
        }
    }
}

TEST_F(SignedUpdateTest, FileWhoseMd5WasForgedToMatchIsRefusedBySha256) {
    Configure("1.0", "330000");
    InstallOld();
    UseKey();
    // A test-only catalog: the MD5 names the tampered file (of the same size), the SHA256 the
    // real one.
    Release r = Sample();
    r.md5Override["plug\\tool.dll"] = zeva::test::Md5Of("tool v6");
    PublishSigned(r);
    server.Put("/1/plug/tool.dll", "tool v6");
    for (auto options : {zeva::UpdateOptions::Full(), zeva::UpdateOptions::Silent()}) {
        UpdateJob job(1, "Program", options, &host);
        EXPECT_TRUE(job.RunProgramJob());
        EXPECT_TRUE(Untouched());
        EXPECT_TRUE(host.starts.empty());
    }
    // Without a key the same release installs, as before: MD5 is all that is checked.
    UseKey("");
    UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
    EXPECT_TRUE(job.RunProgramJob());
    EXPECT_EQ(Installed("plug\\tool.dll"), "tool v6");
}

TEST_F(SignedUpdateTest, SignedCatalogMustNameASha256ForEveryFile) {
    Configure("1.0", "330000");
    InstallOld();
    Install("same.txt", "same");
    UseKey();
    Release r = Sample();
    r.files.emplace_back("same.txt", "same");
    r.sha256 = true;
    std::string catalog = r.MainCatalog();
    // The current file's SHA256 is left out: still refused, the release is incomplete.
    const std::string line = "SHA256=" + zeva::test::Sha256Of("same") + "\n";
    catalog.erase(catalog.find(line), line.size());
    server.Put("/1/UpdateConfig.ini", catalog);
    server.Put("/1/UpdateConfig.ini.sig", Sign(catalog, releaseKey));
    PutFiles(r, "1", "");
    UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
    EXPECT_FALSE(job.RunProgramJob());
    EXPECT_TRUE(Untouched());
    const auto records = syslog.Drain();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("no SHA256 for same.txt"), std::string::npos) << records[0];
}

TEST_F(SignedUpdateTest, WithoutAKeyNoSignatureIsAskedForAndUnsignedReleasesInstall) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    EXPECT_FALSE(job.SignatureRequired());
    EXPECT_TRUE(job.RunProgramJob());
    EXPECT_TRUE(Installed2());
    for (const std::string& p : Requests()) EXPECT_EQ(p.find(".sig"), std::string::npos) << p;
    EXPECT_TRUE(syslog.Drain().empty());
}

TEST_F(SignedUpdateTest, PluginAndToolboxCatalogsAreVerifiedToo) {
    Configure("1.0", "330000");
    UseKey();
    struct Case {
        const char* what;
        bool filesSection;
        std::string type;
        std::string prefix;
        zeva::UpdateOptions options;
        std::string job;
    };
    for (const Case& c :
         {Case{"plug-in job", false, "5", "", zeva::UpdateOptions::Full(), "plug"},
          Case{"toolbox", true, "1", "zj/", zeva::UpdateOptions::Toolbox("zj/"), "ProvincePlug"}}) {
        SCOPED_TRACE(c.what);
        Install(c.job + "\\a.dll", "a1");
        Release r{"", "", 0, 0, {{"a.dll", "a2"}}};
        r.sha256 = true;
        const std::string catalog = r.PluginCatalog(c.filesSection);
        const std::string base = "/" + c.type + "/" + c.prefix;
        server.Put(base + "config.ini", catalog);
        server.Put(base + "a.dll", "a2");
        server.Put(base + "config.ini.sig", Sign(catalog + "x", releaseKey));
        {
            UpdateJob job(std::stoi(c.type), c.job, c.options, &host);
            EXPECT_FALSE(job.RunPluginJob());
            EXPECT_EQ(Installed(c.job + "\\a.dll"), "a1");
            EXPECT_FALSE(fs::exists(app / c.job / "config.ini"));
            EXPECT_EQ(syslog.Drain().size(), 1u);
        }
        server.Put(base + "config.ini.sig", Sign(catalog, releaseKey));
        UpdateJob job(std::stoi(c.type), c.job, c.options, &host);
        EXPECT_TRUE(job.RunPluginJob());
        EXPECT_EQ(Installed(c.job + "\\a.dll"), "a2");
        EXPECT_EQ(Installed(c.job + "\\config.ini"), catalog);
    }
}

}  // namespace

namespace {

std::vector<zeva::UpdateOptions> MainForms() {
    return {zeva::UpdateOptions::Full(), zeva::UpdateOptions::Silent()};
}

// A genuine but older signed release is no reason to go back, whatever its
// flags say; without a key the same catalog installs as it always did.
TEST_F(SignedUpdateTest, AnOlderSignedReleaseIsNeverInstalledOverANewerOne) {
    struct Case {
        const char* what;
        int unconditional;
        std::string region;
    };
    const Release newer{"2.0", "330000", 0, 0, {{"ZEVAClient", "client v2"}}};
    for (const Case& c : {Case{"UNCONDITIONALUPDATE=1", 1, "330000"},
                          Case{"another region", 0, "110000"}, Case{"both", 1, "110000"}}) {
        SCOPED_TRACE(c.what);
        Release old{"1.0", c.region, c.unconditional, 0, {{"ZEVAClient", "client v1"}}};
        old.sequence = "500";  // the sequence does not save it either
        for (const auto& options : MainForms()) {
            Configure("2.0", "330000");
            Install("ZEVAClient", "client v2");
            UseKey();
            PublishSigned(old);
            server.ClearRequests();
            host.starts.clear();
            syslog.Drain();
            UpdateJob job(1, "Program", options, &host);
            job.RunProgramJob();
            EXPECT_EQ(Installed("ZEVAClient"), "client v2");
            EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
            EXPECT_EQ(FileRequests(), 0u);
            EXPECT_TRUE(host.starts.empty());
            const auto records = syslog.Drain();
            if (options.form == zeva::UpdateForm::Silent) {
                // Its gate never takes an older VERSION: nothing to refuse.
                EXPECT_TRUE(records.empty());
            } else {
                ASSERT_EQ(records.size(), 1u);
                EXPECT_NE(records[0].find("VERSION 1.0 is older than the installed 2.0"),
                          std::string::npos)
                    << records[0];
            }
        }
    }
    // Unsigned operation is unchanged: the full form goes back to 1.0 when told to.
    UseKey("");
    Publish(Release{"1.0", "330000", 1, 0, {{"ZEVAClient", "client v1"}}});
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    EXPECT_TRUE(job.RunProgramJob());
    EXPECT_EQ(Installed("ZEVAClient"), "client v1");
    // The same version in another region is no step back.
    Configure("2.0", "330000");
    UseKey();
    PublishSigned(Release{"2.0", "110000", 0, 0, {{"ZEVAClient", "client v2 north"}}});
    UpdateJob region(1, "Program", zeva::UpdateOptions::Full(), &host);
    EXPECT_TRUE(region.RunProgramJob());
    EXPECT_EQ(Installed("ZEVAClient"), "client v2 north");
}

// The main updaters keep the SEQUENCE of the catalog they installed last; a
// replayed older catalog (even one with a higher VERSION) and an expired one
// are refused before anything is fetched.
TEST_F(SignedUpdateTest, ACatalogOlderThanTheOneInstalledLastOrExpiredIsRefused) {
    constexpr std::int64_t kNow = 2000000000;  // 2033-05-18 03:33:20 UTC
    struct Case {
        const char* what;
        std::string sequence;
        std::string expires;
        const char* reason;  // null: installed
    };
    const std::vector<Case> cases = {
        {"lower sequence, higher version", "150", "", "SEQUENCE 150 is lower than 200"},
        {"no sequence at all", "", "", "SEQUENCE 0 is lower than 200"},
        {"sequence not a number", "3e9", "", "SEQUENCE is not a decimal number"},
        {"expired this second", "300", "2000000000", "expired at 2033-05-18 03:33:20 UTC"},
        {"expired long ago", "300", "1000000000", "expired at 2001-09-09 01:46:40 UTC"},
        {"higher sequence, expires later", "300", "2000000001", nullptr},
    };
    for (auto options : MainForms()) {
        SCOPED_TRACE(options.form == zeva::UpdateForm::Silent ? "silent" : "full");
        options.wallClock = [] { return kNow; };
        {
            CCryptConfigFile config(AppAcp() + keys::kConfigDat, "");
            config.EraseSection(keys::kSectionCatalogSequence);
        }
        Configure("1.0", "330000");
        InstallOld();
        UseKey();
        Release first = Sample();
        first.sequence = "200";
        PublishSigned(first);
        {
            UpdateJob job(1, "Program", options, &host);
            EXPECT_TRUE(job.RunProgramJob());
        }
        ASSERT_TRUE(Installed2());
        EXPECT_EQ(ConfigValue(keys::kSectionCatalogSequence, keys::kKeyProgramJob), "200");
        EXPECT_TRUE(syslog.Drain().empty());
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            Release next{"3.0", "330000", 0, 0, {{"ZEVAClient", "client v3"}}};
            next.sequence = c.sequence;
            next.expires = c.expires;
            PublishSigned(next);
            server.ClearRequests();
            UpdateJob job(1, "Program", options, &host);
            EXPECT_EQ(job.RunProgramJob(), c.reason == nullptr);
            const auto records = syslog.Drain();
            if (c.reason == nullptr) {
                EXPECT_EQ(Installed("ZEVAClient"), "client v3");
                EXPECT_EQ(ConfigValue(keys::kSectionCatalogSequence, keys::kKeyProgramJob), "300");
                EXPECT_TRUE(records.empty());
                continue;
            }
            EXPECT_EQ(Installed("ZEVAClient"), "client v2");
            EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
            EXPECT_EQ(FileRequests(), 0u);
            ASSERT_EQ(records.size(), 1u);
            EXPECT_NE(records[0].find(c.reason), std::string::npos) << records[0];
        }
    }
}

// Plug-in folders: the full form's plug-in job keeps its own record, the
// toolbox compares with the catalog installed in the regional folder.
TEST_F(SignedUpdateTest, PluginCatalogsMayNotGoBackEither) {
    Configure("1.0", "330000");
    UseKey();
    struct Case {
        const char* what;
        bool filesSection;
        std::string type;
        std::string prefix;
        zeva::UpdateOptions options;
        std::string job;
    };
    for (const Case& c :
         {Case{"plug-in job", false, "5", "", zeva::UpdateOptions::Full(), "plug"},
          Case{"toolbox", true, "1", "zj/", zeva::UpdateOptions::Toolbox("zj/"), "ProvincePlug"}}) {
        SCOPED_TRACE(c.what);
        Install(c.job + "\\a.dll", "a1");
        Release r{"", "", 0, 0, {{"a.dll", "a2"}, {"b.dll", "b2"}}};
        r.sequence = "300";
        PublishPluginSigned(r, c.filesSection, c.type, c.prefix);
        {
            UpdateJob job(std::stoi(c.type), c.job, c.options, &host);
            EXPECT_TRUE(job.RunPluginJob());
        }
        EXPECT_EQ(Installed(c.job + "\\a.dll"), "a2");
        const bool toolbox = c.options.form == zeva::UpdateForm::Toolbox;
        EXPECT_EQ(ConfigValue(keys::kSectionCatalogSequence, c.job.c_str()), toolbox ? "" : "300");
        EXPECT_NE(Installed(c.job + "\\config.ini").find("SEQUENCE=300"), std::string::npos);

        Release old{"", "", 0, 0, {{"a.dll", "a1"}, {"b.dll", "b2"}}};
        old.sequence = "299";
        PublishPluginSigned(old, c.filesSection, c.type, c.prefix);
        syslog.Drain();
        {
            UpdateJob job(std::stoi(c.type), c.job, c.options, &host);
            EXPECT_FALSE(job.RunPluginJob());
        }
        EXPECT_EQ(Installed(c.job + "\\a.dll"), "a2");
        EXPECT_NE(Installed(c.job + "\\config.ini").find("SEQUENCE=300"), std::string::npos);
        const auto records = syslog.Drain();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_NE(records[0].find("SEQUENCE 299 is lower than 300"), std::string::npos)
            << records[0];
    }
    EXPECT_EQ(ConfigValue(keys::kSectionCatalogSequence, keys::kKeyProgramJob), "");
}

// A catalog and its signature made once by zeva-publish on Linux (the bytes
// committed in tests/data): every build verifies them with the same public
// key and installs the release, and refuses the catalog changed by one byte.
TEST_F(SignedUpdateTest, ACatalogSignedOnLinuxIsTheSameInEveryBuild) {
    const fs::path data = zeva::PathFromUtf8(ZEVA_ENGINE_TEST_DATA) / "linux-signed";
    const std::string catalog = zeva::test::ReadFile(data / "UpdateConfig.ini");
    const std::string signature = zeva::test::ReadFile(data / "UpdateConfig.ini.sig");
    ASSERT_NE(catalog.find("SEQUENCE=7\r\n"), std::string::npos) << "line ends kept as signed";
    Configure("1.0", "330000");
    Install("ZEVAClient.exe", "client v1");
    Install("plug\\tool.dll", "tool v1");
    UseKey("lJ8M9QJ1dQMZc3yJtZccgJzptJBEMR2vtdbKCd8D4DM=");
    server.Put("/1/ZEVAClient.exe", "client v2\r\n");
    server.Put("/1/plug/tool.dll", "tool v2");
    server.Put("/1/UpdateConfig.ini.sig", signature);

    std::string changed = catalog;
    changed.replace(changed.find("VERSION=2.0"), 11, "VERSION=2.1");
    server.Put("/1/UpdateConfig.ini", changed);
    {
        UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
        EXPECT_FALSE(job.RunProgramJob());
    }
    EXPECT_EQ(Installed("ZEVAClient.exe"), "client v1");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");

    server.Put("/1/UpdateConfig.ini", catalog);
    {
        UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
        EXPECT_TRUE(job.RunProgramJob());
    }
    EXPECT_EQ(Installed("ZEVAClient.exe"), "client v2\r\n");
    EXPECT_EQ(Installed("plug\\tool.dll"), "tool v2");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    EXPECT_EQ(ConfigValue(keys::kSectionCatalogSequence, keys::kKeyProgramJob), "7");
}

}  // namespace
