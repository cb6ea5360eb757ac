// The plug-in loader on Windows: DLLs load only from the two plug-in folders,
// a file that is no DLL of this machine is refused before the system maps it
// (another architecture named by its PE machine), exceptions out of entry
// points are caught, and a library is freed only after its unload hook
// joined its workers.

#include <gtest/gtest.h>

#include <filesystem>

#include "PluginLoader.h"
#include "TestSupport.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

#include <windows.h>

namespace fs = std::filesystem;
using namespace zeva;
using zeva::host::PluginLoader;

namespace {

const fs::path kBuilt = zeva::PathFromUtf8(ZEVA_PLUGIN_DIR);

class LoaderWin : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(app / "plug");
        fs::create_directories(app / "ProvincePlug");
        fs::create_directories(outside);
        fs::copy_file(kBuilt / "zeva_test_plugin.dll",
                      app / "ProvincePlug" / "ZEVAPlug_Sample.dll");
        fs::copy_file(kBuilt / "zeva_test_plugin.dll", outside / "Evil.dll");
    }
    std::string Refusal(const std::string& name) {
        std::string error;
        return loader.Load(Acp(name), error) ? std::string() : error;
    }

    test::TempDir dir;
    fs::path app = dir / "app";
    fs::path outside = dir / "elsewhere";
    test::ScopedEnv appDir{"ZEVA_APP_DIR", Utf8Path(app)};
    PluginLoader loader;
};

}  // namespace

TEST_F(LoaderWin, TakesLibrariesOnlyFromThePlugInFolders) {
    EXPECT_EQ(Refusal("ZEVAPlug_Sample.dll"), "") << "a bare name, found in ProvincePlug";
    EXPECT_EQ(Refusal("ProvincePlug\\ZEVAPlug_Sample.dll"), "");
    EXPECT_EQ(Refusal("provinceplug\\zevaplug_sample.DLL"), "") << "names are case-blind";
    EXPECT_EQ(Refusal("plug\\..\\ProvincePlug\\ZEVAPlug_Sample.dll"), "") << "still inside";
    EXPECT_EQ(loader.Count(), 1u) << "one library, however it was named";

    fs::copy_file(kBuilt / "zeva_test_plugin.dll", app / "Top.dll");
    const std::string refused = "refused plug-in library outside \"plug\" and \"ProvincePlug\": ";
    const std::string absolute = Utf8Path(outside / "Evil.dll");
    for (const std::string& name :
         {absolute, std::string("..\\elsewhere\\Evil.dll"),
          std::string("plug\\..\\..\\elsewhere\\Evil.dll"),
          std::string("plug/../../elsewhere/Evil.dll"), std::string("Top.dll"),
          std::string("plug\\..\\Top.dll"), std::string("C:\\nonexistent\\Evil.dll")}) {
        EXPECT_EQ(Refusal(name), refused + name);
    }
    EXPECT_EQ(Refusal("Nowhere.dll"), "plug-in not found: Nowhere.dll");
    EXPECT_EQ(loader.Count(), 1u);
}

TEST_F(LoaderWin, SkipsWhatIsNoPlugInAndNamesTheFile) {
    fs::copy_file(kBuilt / "zeva_broken_plugin_1.dll", app / "plug" / "NoCreate.dll");
    fs::copy_file(kBuilt / "zeva_broken_plugin_2.dll", app / "plug" / "Unresolved.dll");
    const std::string whole = test::ReadFile(kBuilt / "zeva_test_plugin.dll");
    test::WriteFile(app / "plug" / "Truncated.dll", whole.substr(0, 4096));
    test::WriteFile(app / "plug" / "Half.dll", whole.substr(0, whole.size() / 2));
    test::WriteFile(app / "plug" / "Empty.dll", "");
    test::WriteFile(app / "plug" / "Text.dll", "MZ this is no library\n");
    // The same library marked as made for other machines (PE machine field).
    const std::size_t machineAt =
        static_cast<std::size_t>(*reinterpret_cast<const std::int32_t*>(whole.data() + 0x3C)) + 4;
    for (const auto& [file, machine] :
         {std::pair{"Arm.dll", 0xAA64}, std::pair{"X86.dll", 0x014C}}) {
        std::string other = whole;
        other[machineAt] = static_cast<char>(machine & 0xFF);
        other[machineAt + 1] = static_cast<char>(machine >> 8);
        test::WriteFile(app / "plug" / file, other);
    }
    // A program, not a library.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    fs::copy_file(self, app / "plug" / "Program.dll");

    struct Case {
        const char* name;
        const char* says;
    };
    const Case cases[] = {
        {"NoCreate.dll", "is no plug-in: it has no PlugCreate"},
        // needs a DLL that is nowhere to be found
        {"Unresolved.dll", "cannot load "},
        {"Truncated.dll", "the file is truncated (4096 bytes of at least"},
        {"Half.dll", "the file is truncated"},
        {"Arm.dll", "built for another architecture (PE machine 0xAA64)"},
        {"X86.dll", "built for another architecture (PE machine 0x014C)"},
        {"Text.dll", "not a shared library"},
        {"Empty.dll", "not a shared library"},
        {"Program.dll", "not a shared library"},
        {"plug\\Missing.dll", "plug-in not found"},
    };
    for (const Case& c : cases) {
        const std::string why = Refusal(c.name);
        EXPECT_NE(why.find(c.name), std::string::npos) << c.name << ": " << why;
        EXPECT_NE(why.find(c.says), std::string::npos) << c.name << ": " << why;
        // Refused before the system mapped it: no such module in the process.
        EXPECT_EQ(GetModuleHandleW((app / "plug" / c.name).c_str()), nullptr) << c.name;
    }
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_EQ(Refusal("ZEVAPlug_Sample.dll"), "") << "the loader still works";
    EXPECT_EQ(loader.Count(), 1u);
}

TEST_F(LoaderWin, CatchesExceptionsOutOfEntryPoints) {
    fs::copy_file(kBuilt / "zeva_broken_plugin_3.dll", app / "plug" / "Throws.dll");
    fs::copy_file(kBuilt / "zeva_broken_plugin_4.dll", app / "plug" / "InitThrows.dll");

    std::string error;
    EXPECT_FALSE(loader.Open("Throws.dll", nullptr, error));
    EXPECT_NE(error.find("Throws.dll: PlugCreate threw: the page template is missing"),
              std::string::npos)
        << error;
    EXPECT_EQ(loader.Count(), 1u) << "it loaded; only its page failed";

    const std::string initThrew = Refusal("InitThrows.dll");
    EXPECT_NE(initThrew.find("InitThrows.dll: PlugInit threw: no settings file"), std::string::npos)
        << initThrew;
    EXPECT_EQ(loader.Count(), 1u) << "a plug-in whose PlugInit threw is not kept";
    EXPECT_EQ(GetModuleHandleW((app / "plug" / "InitThrows.dll").c_str()), nullptr)
        << "and its library is freed";

    testing::internal::CaptureStderr();
    loader.UnloadAll();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Throws.dll: PlugUnInit threw an exception"), std::string::npos) << err;
    EXPECT_EQ(loader.Count(), 0u);
}

TEST_F(LoaderWin, FreesALibraryOnlyAfterItsUnloadHookJoinedTheWorkers) {
    const fs::path record = dir / "record";
    const fs::path busy = dir / "busy";
    test::ScopedEnv env{"ZEVA_WORKER_RECORD", Utf8Path(record)};
    test::ScopedEnv envBusy{"ZEVA_WORKER_BUSY", Utf8Path(busy)};
    const fs::path worker = app / "plug" / "Worker.dll";
    fs::copy_file(kBuilt / "zeva_test_plugin.dll", worker);
    std::string error;
    ASSERT_TRUE(loader.Open("Worker.dll", nullptr, error)) << error;
    EXPECT_NE(GetModuleHandleW(worker.c_str()), nullptr);
    // The worker is running the library's code now; unloading must stop it first.
    while (!fs::exists(busy)) SwitchToThread();
    loader.UnloadAll();
    EXPECT_EQ(GetModuleHandleW(worker.c_str()), nullptr) << "the library is freed";
    EXPECT_EQ(test::ReadFile(record), "init\ncreate\nuninit\njoined after work\n");
}
