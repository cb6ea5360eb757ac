#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "CatalogFreshness.h"
#include "ConfigFile.h"
#include "MD5.h"
#include "PublishFixture.h"
#include "Publisher.h"
#include "SHA256.h"
#include "SignatureVerifier.h"
#include "TestSupport.h"
#include "UpdateCatalog.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;

namespace {

using namespace zeva::test::publish;

TEST_F(PublishTest, MainCatalogRoundTripsThroughTheEngine) {
    const Result r =
        Publish("main " + Q(release) + " --version 2.0.1 --region 330000 --notify --server-root " +
                Q(dir / "www"));
    ASSERT_EQ(r.status, 0) << r.out;
    const fs::path served = dir / "www" / "1" / "UpdateConfig.ini";
    ASSERT_TRUE(fs::exists(served));
    EXPECT_EQ(zeva::test::ReadFile(dir / "www" / "1" / zeva::PathFromUtf8("插件/工具.dll")),
              "tool");
    const std::string text = zeva::test::ReadFile(served);
    EXPECT_NE(text.find(zeva::Acp("[插件\\工具.dll]\r\n")), std::string::npos)
        << "GBK names with backslashes";
    EXPECT_NE(text.find("NOTIFIY=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("UNCONDITIONALUPDATE=0\r\n"), std::string::npos);

    CConfigFile catalog(served.string());
    std::string version;
    catalog.ReadString("Version", "VERSION", "", version);
    EXPECT_EQ(version, "2.0.1");
    std::vector<std::string> names;
    catalog.ReadSection("FILES", names);
    EXPECT_EQ(names,
              (std::vector<std::string>{"ZEVAClient", "empty.dat", zeva::Acp("插件\\工具.dll")}));
    std::string md5, size;
    catalog.ReadString("ZEVAClient", "MD5", "", md5);
    catalog.ReadString("ZEVAClient", "SIZE", "", size);
    std::string expected;
    CMD5::GetStringMD5("client v2", expected);
    EXPECT_EQ(md5, expected);
    EXPECT_EQ(size, "9");

    // The release folder itself is current; an empty installation needs every file.
    UpdateCatalog same(zeva::AcpPath(release) + "/", served.string(), "1.0", "330000");
    ASSERT_EQ(same.Evaluate(), 0);
    EXPECT_TRUE(same.Entries().empty());
    fs::create_directories(dir / "empty");
    UpdateCatalog fresh(zeva::AcpPath(dir / "empty") + "/", served.string(), "1.0", "330000");
    ASSERT_EQ(fresh.Evaluate(), 0);
    EXPECT_EQ(fresh.Entries().size(), 3u);
}

TEST_F(PublishTest, PluginCatalogForms) {
    ASSERT_EQ(Publish("plugin " + Q(release)).status, 0);
    CConfigFile plain((release / "config.ini").string());
    std::vector<std::string> sections;
    plain.ReadSections(sections);
    EXPECT_EQ(sections.size(), 3u);
    // Publishing again does not list the catalog itself.
    const Result again = Publish("plugin " + Q(release) + " --files-section --json --server-root " +
                                 Q(dir / "www") + " --type 1 --prefix zj");
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("\"files\":3"), std::string::npos) << again.out;
    const fs::path served = dir / "www" / "1" / "zj" / "config.ini";
    CConfigFile toolbox(served.string());
    std::vector<std::string> files;
    toolbox.ReadSection("FILES", files);
    EXPECT_EQ(files.size(), 3u);
    fs::create_directories(dir / "plugdir");
    UpdateCatalog c(zeva::AcpPath(dir / "plugdir") + "/", served.string(), "", "");
    ASSERT_EQ(c.EvaluatePluginFilesSection(), 0);
    EXPECT_EQ(c.Entries().size(), 3u);
}

TEST_F(PublishTest, RefusesWhatCatalogsCannotCarry) {
    Result r = Publish("main " + Q(release));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("--version"), std::string::npos);
    zeva::test::WriteFile(release / "a=b.txt", "x");
    r = Publish("main " + Q(release) + " --version 2");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("a=b.txt"), std::string::npos);
    fs::remove(release / "a=b.txt");
    zeva::test::WriteFile(release / "zeva" / "client", "x");
    zeva::test::WriteFile(release / "Zeva" / "Client", "y");
    // Only a file system that tells case apart (not Windows') holds both names.
    if (!fs::equivalent(release / "zeva" / "client", release / "Zeva" / "Client")) {
        r = Publish("main " + Q(release) + " --version 2");
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.out.find("case"), std::string::npos);
    }
    EXPECT_EQ(Publish("main " + Q(dir / "missing") + " --version 2").status, 2);
    EXPECT_EQ(Publish("frobnicate x").status, 2);
    EXPECT_EQ(Publish("--help").status, 0);
}

TEST_F(PublishTest, KeygenWritesAKeyOnceAndPrintsThePublicKey) {
    const fs::path key = dir / "release.key";
    const Result r = Publish("keygen " + Q(key) + " --json");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(PublicKeyOf(r).size(), 44u) << r.out;
    const std::string before = zeva::test::ReadFile(key);
    const Result again = Publish("keygen " + Q(key));
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.out.find("not overwritten"), std::string::npos) << again.out;
    EXPECT_EQ(zeva::test::ReadFile(key), before);
    const Result text = Publish("keygen " + Q(dir / "second.key"));
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("public key:"), std::string::npos) << text.out;
}

TEST_F(PublishTest, SignedCatalogsCarrySha256AndAVerifyingSignatureBeside) {
    const Result k = Publish("keygen " + Q(dir / "k.pem") + " --json");
    ASSERT_EQ(k.status, 0) << k.out;
    zeva::SignatureVerifier verifier;
    std::string error;
    ASSERT_EQ(verifier.SetPublicKeys(PublicKeyOf(k), error), 0) << error;
    struct Case {
        std::string args;
        fs::path catalog;
    };
    for (const Case& c :
         {Case{"main " + Q(release) + " --version 2.0 --server-root " + Q(dir / "www"),
               dir / "www" / "1" / "UpdateConfig.ini"},
          Case{"main " + Q(release) + " --version 2.0", release / "UpdateConfig.ini"},
          Case{
              "plugin " + Q(release) + " --server-root " + Q(dir / "www") + " --type 5 --prefix zj",
              dir / "www" / "5" / "zj" / "config.ini"}}) {
        SCOPED_TRACE(c.args);
        const Result r = Publish(c.args + " --sign " + Q(dir / "k.pem"));
        ASSERT_EQ(r.status, 0) << r.out;
        const std::string text = zeva::test::ReadFile(c.catalog);
        fs::path sigPath = c.catalog;
        sigPath += ".sig";
        const std::string sig = zeva::test::ReadFile(sigPath);
        EXPECT_EQ(verifier.Verify(text, sig, error), 0) << error;
        EXPECT_EQ(verifier.Verify(text + " ", sig, error), -1);
        CConfigFile catalog(c.catalog.string());
        std::string sha;
        std::string expected;
        catalog.ReadString(zeva::Acp("插件\\工具.dll"), "SHA256", "", sha);
        CSHA256::GetBytesSHA256("tool", expected);
        EXPECT_EQ(sha, expected);
        EXPECT_NE(text.find("\r\nSHA256=" + expected + "\r\nSIZE=4\r\n"), std::string::npos)
            << "SHA256 follows MD5";
    }
    // Publishing the signed folder again lists neither the catalog nor its signature.
    const Result again = Publish("main " + Q(release) + " --version 2.1 --json");
    EXPECT_NE(again.out.find("\"files\":3"), std::string::npos) << again.out;
    EXPECT_EQ(zeva::test::ReadFile(release / "UpdateConfig.ini").find("SHA256"), std::string::npos)
        << "unsigned catalogs are as before";
    zeva::test::WriteFile(dir / "bad.pem", "not a key");
    EXPECT_EQ(Publish("main " + Q(release) + " --version 3 --sign " + Q(dir / "bad.pem")).status,
              2);
    EXPECT_EQ(Publish("main " + Q(release) + " --version 3 --sign " + Q(dir / "none.pem")).status,
              2);
}

// check-key judges a "PublicKey" value as the updaters will.
TEST_F(PublishTest, CheckKeyWarnsAboutKeysTheUpdatersRefuse) {
    const Result k = Publish("keygen " + Q(dir / "k.pem") + " --json");
    ASSERT_EQ(k.status, 0) << k.out;
    const std::string good = PublicKeyOf(k);
    const std::string zero = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=";
    struct Case {
        std::string keys;
        int status;
        const char* text;
    };
    for (const Case& c : {Case{good, 0, "1 key, usable"}, Case{good + "," + good, 0, "2 keys"},
                          Case{zero, 2, "small order"}, Case{good + "," + zero, 2, "small order"},
                          Case{"7f///////////////////////////////////////38=", 2, "canonical"},
                          Case{"abc", 2, "not base64"}}) {
        SCOPED_TRACE(c.keys);
        const Result r = Publish("check-key '" + c.keys + "'");
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_NE(r.out.find(c.text), std::string::npos) << r.out;
        if (c.status != 0) {
            EXPECT_NE(r.out.find("warning"), std::string::npos) << r.out;
        }
    }
    const Result json = Publish("check-key '" + zero + "' --json");
    EXPECT_EQ(json.status, 2);
    EXPECT_EQ(json.stdOut.rfind("{\"ok\":false,\"keys\":0,\"reason\":", 0), 0u) << json.out;
}

// SEQUENCE (the signing time unless given) and EXPIRES are extra keys: the
// signature covers them and older readers see the same files as before.
TEST_F(PublishTest, SignedCatalogsCarryAGrowingSequenceAndAnOptionalExpiry) {
    ASSERT_EQ(Publish("keygen " + Q(dir / "k.pem")).status, 0);
    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
    Result r = Publish("main " + Q(release) + " --version 2.0 --sign " + Q(dir / "k.pem"));
    ASSERT_EQ(r.status, 0) << r.out;
    const std::int64_t after = static_cast<std::int64_t>(std::time(nullptr));
    const std::string mainPath = zeva::AcpPath(release / "UpdateConfig.ini");
    auto stamp = zeva::ReadCatalogFreshness(mainPath, zeva::CatalogForm::Main);
    EXPECT_GE(stamp.sequence, before);
    EXPECT_LE(stamp.sequence, after);
    EXPECT_EQ(stamp.expires, 0);

    struct Case {
        std::string args;
        fs::path catalog;
        zeva::CatalogForm form;
    };
    for (const Case& c :
         {Case{"main " + Q(release) + " --version 2.0", release / "UpdateConfig.ini",
               zeva::CatalogForm::Main},
          Case{"plugin " + Q(release), release / "config.ini", zeva::CatalogForm::Plugin},
          Case{"plugin " + Q(release) + " --files-section", release / "config.ini",
               zeva::CatalogForm::PluginFilesSection}}) {
        SCOPED_TRACE(c.args);
        // The other form's catalog would be one more file of the release.
        for (const char* name :
             {"UpdateConfig.ini", "UpdateConfig.ini.sig", "config.ini", "config.ini.sig"})
            fs::remove(release / name);
        const std::int64_t t0 = static_cast<std::int64_t>(std::time(nullptr));
        r = Publish(c.args + " --sign " + Q(dir / "k.pem") + " --sequence 123 --expires 30");
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find("SEQUENCE 123, expires 20"), std::string::npos) << r.out;
        const std::int64_t t1 = static_cast<std::int64_t>(std::time(nullptr));
        stamp = zeva::ReadCatalogFreshness(zeva::AcpPath(c.catalog), c.form);
        EXPECT_EQ(stamp.sequence, 123);
        EXPECT_GE(stamp.expires, t0 + 30 * 86400);
        EXPECT_LE(stamp.expires, t1 + 30 * 86400);
        EXPECT_TRUE(stamp.malformed.empty());
        // Readers that know nothing of the stamp still find exactly the three files.
        fs::create_directories(dir / "empty");
        UpdateCatalog old(zeva::AcpPath(dir / "empty") + "/", zeva::AcpPath(c.catalog), "1.0", "");
        const int evaluated = c.form == zeva::CatalogForm::Main ? old.Evaluate()
                              : c.form == zeva::CatalogForm::Plugin
                                  ? old.EvaluatePlugin()
                                  : old.EvaluatePluginFilesSection();
        EXPECT_EQ(evaluated, 0);
        EXPECT_EQ(old.Entries().size(), 3u);
    }
    // Unsigned catalogs stay as they were; a stamp without a signature binds nothing.
    r = Publish("main " + Q(release) + " --version 2.0");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(zeva::test::ReadFile(release / "UpdateConfig.ini").find("SEQUENCE"),
              std::string::npos);
    for (const std::string& args : {std::string(" --sequence 5"), std::string(" --expires 3"),
                                    " --sign " + Q(dir / "k.pem") + " --expires 0",
                                    " --sign " + Q(dir / "k.pem") + " --sequence -1",
                                    " --sign " + Q(dir / "k.pem") + " --sequence x"}) {
        SCOPED_TRACE(args);
        r = Publish("main " + Q(release) + " --version 2.0" + args);
        EXPECT_EQ(r.status, 2) << r.out;
    }
}

// A line break in an option would become a catalog line of its own (and be signed).
TEST_F(PublishTest, RefusesControlCharactersInOptionsAndAnEmptyVersion) {
    ASSERT_EQ(Publish("keygen " + Q(dir / "k.pem")).status, 0);
    struct Case {
        std::string args;
        const char* named;
    };
    for (const Case& c : {
             Case{"main R --version 2.0 --region '330000\nUNCONDITIONALUPDATE=1'", "--region"},
             Case{"main R --version '2.0\r\nNOTIFIY=1'", "--version"},
             Case{"main R --version '2.0\t'", "--version"},
             Case{"main R --version ''", "--version"},
             Case{"plugin R --server-root W --prefix 'zj\n'", "--prefix"},
             Case{"plugin R --output '" + (dir / "a\x1b[2Jb").string() + "'", "--output"},
             Case{"main R --version 2.0 --sign '" + (dir / "k.pem").string() + "\n'", "--sign"},
         }) {
        std::string args = c.args;
        args.replace(args.find(" R "), 3, " " + Q(release) + " ");
        if (const size_t w = args.find(" W "); w != std::string::npos)
            args.replace(w, 3, " " + Q(dir / "www") + " ");
        SCOPED_TRACE(args);
        const Result r = Publish(args);
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_NE(r.out.find(c.named), std::string::npos) << r.out;
        EXPECT_FALSE(fs::exists(release / "UpdateConfig.ini"));
        EXPECT_FALSE(fs::exists(release / "config.ini"));
        EXPECT_FALSE(fs::exists(dir / "www"));
    }
}

// Chinese folder names with a space in the arguments reach the files whatever
// the system's code page, and the JSON answer names them in UTF-8.
TEST_F(PublishTest, ChineseFolderNamesInArgumentsAndAnswer) {
    const fs::path folder = dir.path() / zeva::PathFromUtf8("软件 发布");
    zeva::test::WriteFile(folder / "a.dll", "abc");
    const fs::path catalog = dir.path() / zeva::PathFromUtf8("目录") / "UpdateConfig.ini";
    const Result r = Publish("main " + Q(folder) + " --version 2.0 --json --output " + Q(catalog));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.stdOut.find("目录"), std::string::npos) << r.out;
    EXPECT_NE(zeva::test::ReadFile(catalog).find("MD5=900150983cd24fb0d6963f7d28e17f72"),
              std::string::npos);
}

}  // namespace
