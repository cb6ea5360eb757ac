// The plug-in loader: libraries load only from the two plug-in folders of
// the application directory, and a library that is missing, is no plug-in
// or throws out of an entry point is refused with the file named while the
// loader goes on working.

#include "../src/PluginLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;
using namespace zeva;
using zeva::host::PluginLoader;

namespace {

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(app / "plug");
        fs::create_directories(app / "ProvincePlug");
        fs::create_directories(outside);
        fs::copy_file(ZEVA_SAMPLE_PLUGIN, app / "ProvincePlug" / "ZEVAPlug_Sample.so");
        fs::copy_file(ZEVA_SAMPLE_PLUGIN, outside / "Evil.so");
    }
    // Loads `name`; empty when it loaded, else the reason.
    std::string Refusal(const std::string& name) {
        std::string error;
        return loader.Load(Acp(name), error) ? std::string() : error;
    }

    test::TempDir dir;
    fs::path app = dir / "app";
    fs::path outside = dir / "elsewhere";
    test::ScopedEnv appDir{"ZEVA_APP_DIR", app.string()};
    PluginLoader loader;
};

}  // namespace

TEST_F(Loader, TakesLibrariesOnlyFromThePlugInFolders) {
    EXPECT_EQ(Refusal("ZEVAPlug_Sample.dll"), "") << "a bare name, found in ProvincePlug as .so";
    EXPECT_EQ(Refusal("ProvincePlug\\ZEVAPlug_Sample.dll"), "");
    EXPECT_EQ(Refusal("plug\\..\\ProvincePlug\\ZEVAPlug_Sample.so"), "") << "still inside";
    EXPECT_EQ(loader.Count(), 1u) << "one library, however it was named";

    fs::create_symlink(outside / "Evil.so", app / "plug" / "Linked.so");
    fs::copy_file(ZEVA_SAMPLE_PLUGIN, app / "Top.so");
    const std::string refused = "refused plug-in library outside \"plug\" and \"ProvincePlug\": ";
    const std::string absolute = (outside / "Evil.so").string();
    for (const std::string& name :
         {absolute, std::string("..\\elsewhere\\Evil.so"),
          std::string("plug\\..\\..\\elsewhere\\Evil.so"),
          std::string("plug/../../elsewhere/Evil.dll"), std::string("plug\\Linked.so"),
          std::string("Top.so"), std::string("plug\\..\\Top.so")}) {
        EXPECT_EQ(Refusal(name), refused + name);
    }
    EXPECT_EQ(Refusal("Nowhere.dll"), "plug-in not found: Nowhere.dll");
    EXPECT_EQ(Refusal("/nonexistent/Evil.so"), refused + "/nonexistent/Evil.so");
    EXPECT_EQ(loader.Count(), 1u);
}

TEST_F(Loader, SkipsWhatIsNoPlugInAndNamesTheFile) {
    const fs::path broken = ZEVA_BROKEN_PLUGIN_DIR;
    fs::copy_file(broken / "zeva_broken_plugin_1.so", app / "plug" / "NoCreate.so");
    fs::copy_file(broken / "zeva_broken_plugin_2.so", app / "plug" / "Unresolved.so");
    // The first kilobytes of a real library, as an interrupted copy leaves it.
    const std::string whole = test::ReadFile(ZEVA_SAMPLE_PLUGIN);
    test::WriteFile(app / "plug" / "Truncated.so", whole.substr(0, 4096));
    test::WriteFile(app / "plug" / "Half.so", whole.substr(0, whole.size() / 2));
    test::WriteFile(app / "plug" / "Empty.so", "");
    // The same library marked as made for another machine (e_machine: AArch64).
    std::string other = whole;
    other[18] = static_cast<char>(0xB7);
    other[19] = 0;
    test::WriteFile(app / "plug" / "Arm.so", other);
    test::WriteFile(app / "plug" / "Text.dll", "MZ this is no library\n");

    struct Case {
        const char* name;
        const char* file;
        const char* says;
    };
    const Case cases[] = {
        {"NoCreate.dll", "NoCreate.so", "is no plug-in: it has no PlugCreate"},
        {"Unresolved.so", "Unresolved.so", "zeva_test_symbol_nobody_defines"},
        // mapping it as it is would fault inside the dynamic loader
        {"Truncated.so", "Truncated.so", "the file is truncated (4096 bytes of at least"},
        {"Half.so", "Half.so", "the file is truncated"},
        {"Arm.so", "Arm.so", "built for another architecture (ELF machine 183)"},
        {"Text.dll", "Text.dll", "not a shared library"},
        {"Empty.so", "Empty.so", "not a shared library"},
        {"plug\\Missing.dll", "plug\\Missing.dll", "plug-in not found"},
    };
    for (const Case& c : cases) {
        const std::string why = Refusal(c.name);
        EXPECT_NE(why.find(c.file), std::string::npos) << c.name << ": " << why;
        EXPECT_NE(why.find(c.says), std::string::npos) << c.name << ": " << why;
    }
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_EQ(Refusal("ZEVAPlug_Sample.so"), "") << "the loader still works";
    EXPECT_EQ(loader.Count(), 1u);
}

TEST_F(Loader, CatchesExceptionsOutOfEntryPoints) {
    const fs::path broken = ZEVA_BROKEN_PLUGIN_DIR;
    fs::copy_file(broken / "zeva_broken_plugin_3.so", app / "plug" / "Throws.so");
    fs::copy_file(broken / "zeva_broken_plugin_4.so", app / "plug" / "InitThrows.so");

    std::string error;
    EXPECT_FALSE(loader.Open("Throws.so", nullptr, error));
    EXPECT_NE(error.find("Throws.so: PlugCreate threw: the page template is missing"),
              std::string::npos)
        << error;
    EXPECT_EQ(loader.Count(), 1u) << "it loaded; only its page failed";

    const std::string initThrew = Refusal("InitThrows.so");
    EXPECT_NE(initThrew.find("InitThrows.so: PlugInit threw: no settings file"), std::string::npos)
        << initThrew;
    EXPECT_EQ(loader.Count(), 1u) << "a plug-in whose PlugInit threw is not kept";

    // PlugUnInit throws a non-standard exception: reported, and the unloading goes on.
    testing::internal::CaptureStderr();
    loader.UnloadAll();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Throws.so: PlugUnInit threw an exception"), std::string::npos) << err;
    EXPECT_EQ(loader.Count(), 0u);
}
