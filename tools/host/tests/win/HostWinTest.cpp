// ZEVAClient.exe under Windows (Wine): scripts drive the sample plug-in, the
// main window is found by its class "ZEVACLIENT" from another process and
// closes on WM_CLOSE, a message carrying a pointer from outside is refused,
// and libraries outside the plug-in folders or broken ones are refused.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "PlugContract.h"
#include "ProgramRunner.h"
#include "TestSupport.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

#include "platform/win/WindowsApi.h"

namespace fs = std::filesystem;
using namespace zeva;

namespace {

const fs::path kBuilt = PathFromUtf8(ZEVA_PLUGIN_DIR);
const fs::path kSample = PathFromUtf8(ZEVA_SAMPLE_PLUGIN);

// Width and height of a PNG file; 0 x 0 when it is none.
std::pair<unsigned, unsigned> PngSize(const fs::path& path) {
    const std::string bytes = fs::exists(path) ? test::ReadFile(path) : std::string();
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto at = [&](std::size_t i) {
        return (unsigned(static_cast<unsigned char>(bytes[i])) << 24) |
               (unsigned(static_cast<unsigned char>(bytes[i + 1])) << 16) |
               (unsigned(static_cast<unsigned char>(bytes[i + 2])) << 8) |
               unsigned(static_cast<unsigned char>(bytes[i + 3]));
    };
    return {at(16), at(20)};
}

class HostWin : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine starts its desktop process for a display the first time a
        // program needs it, and that process keeps the standard handles it
        // was given: made here, it holds none of the pipes a run captures.
        GetDesktopWindow();
        fs::create_directories(app / "plug");
        fs::create_directories(app / "ProvincePlug");
        fs::copy_file(kSample, app / "ProvincePlug" / "ZEVAPlug_Sample.dll");
        CCryptConfigFile plug(AcpPath(app / "plug" / "PlugConfig.dat"), "");
        plug.WriteInteger(cfgkeys::SectionPlugCatalog(), cfgkeys::kKeyPlugNum, 1);
        plug.WriteString(cfgkeys::SectionPlugCatalog(), "1", Acp("别的工具"));
        plug.WriteString(Acp("别的工具"), cfgkeys::kKeyPlugModuleName, "plug\\Missing.dll");
        CCryptConfigFile province(AcpPath(app / "ProvincePlug" / "ProvincePlugConfig.dat"), "");
        province.WriteInteger(cfgkeys::SectionPlugCatalog(), cfgkeys::kKeyPlugNum, 1);
        province.WriteString(cfgkeys::SectionPlugCatalog(), "1", Acp("插件示例"));
        province.WriteString(Acp("插件示例"), cfgkeys::kKeyPlugModuleName,
                             "ProvincePlug\\ZEVAPlug_Sample.dll");
    }
    test::RunResult Run(const std::vector<std::string>& args,
                        const std::string& clientOptions = {}) const {
        test::RunOptions options;
        options.env.emplace_back("ZEVA_APP_DIR", Utf8Path(app));
        if (!clientOptions.empty()) options.env.emplace_back("ZEVA_CLIENT_OPTIONS", clientOptions);
        options.timeout = std::chrono::seconds(90);
        return test::RunProgram(test::ProgramPath("ZEVAClient"), args, options);
    }
    test::RunResult RunScript(const std::string& script) const {
        test::WriteFile(dir / "script.txt", script);
        return Run({"--manual-clock", "--timeout", "60", "--script", Utf8Path(dir / "script.txt")});
    }
    // The host's window as another process finds it; null after 30 s.
    static HWND FindHost() {
        for (int i = 0; i < 600; ++i) {
            if (const HWND h = FindWindowA(plug::kHostWindowClass)) return h;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return nullptr;
    }

    test::TempDir dir;
    fs::path app = dir / "app";
};

}  // namespace

TEST_F(HostWin, ScriptPicksTheSampleWorksItsPageAndCloses) {
    const fs::path page = dir / "page.png";
    const auto r = RunScript(
        "pick 插件示例\n"
        "type 20107 张三\n"
        "click 20108\n"
        "wait 20109 您好，张三！\n"
        "select 20111 2\n"
        "click 20116\n"
        "advance 2000\n"
        "expect 20115 100%\n"
        "shot " +
        Utf8Path(page) +
        "\n"
        "click 20117\n"
        "click 1\n"
        "open ZEVAPlug_Sample.dll\n"
        "expect 20109 您好，张三！\n"
        "click 20102\n"
        "close\n");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find("page closed with 1"), std::string::npos) << r.out << r.err;
    // Drawn by the Win32 renderer: the page's 320 x 210 dialog units in pixels.
    const auto [width, height] = PngSize(page);
    EXPECT_GT(width, 320u);
    EXPECT_GT(height, 210u);
}

TEST_F(HostWin, ScreenshotModeWritesEveryWindowAsItOpens) {
    const fs::path shots = dir / "shots";
    test::WriteFile(dir / "script.txt", "open ZEVAPlug_Sample.dll\nclose\n");
    const auto r = Run({"--manual-clock", "--timeout", "60", "--screenshot", Utf8Path(shots),
                        "--script", Utf8Path(dir / "script.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto [width, height] = PngSize(shots / "01-100.png");
    EXPECT_GT(width, 0u) << "the main window";
    EXPECT_GT(height, 0u);
    std::size_t pictures = 0;
    for (const auto& e : fs::directory_iterator(shots)) pictures += PngSize(e.path()).first > 0;
    EXPECT_EQ(pictures, 2u) << "the main window and the sample's page";
    // A folder that cannot be made fails the run at once.
    test::WriteFile(dir / "file", "x");
    EXPECT_EQ(Run({"--screenshot", Utf8Path(dir / "file" / "below"), "--timeout", "5"}).exitCode,
              4);
}

TEST_F(HostWin, FailingStepsAndBadArgumentsEndWithAReason) {
    auto r = RunScript("open ZEVAPlug_Sample.dll\nexpect 20109 nothing-like-this\nclose\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("script line 2 (expect)"), std::string::npos) << r.err;
    EXPECT_EQ(RunScript("pick 别的工具\nclose\n").exitCode, 1) << "its library is missing";
    EXPECT_EQ(RunScript("frobnicate\n").exitCode, 2);
    r = Run({"--bogus"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "ZEVAClient: unknown argument --bogus (see --help)\n");
    r = Run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--script FILE"), std::string::npos);
    r = Run({"-AutoRun"}, "--bogus");
    EXPECT_EQ(r.exitCode, 2) << "options from the environment are read too";
    EXPECT_EQ(Run({"--timeout", "0"}, "--timeout 60").exitCode, 2)
        << "the command line's own value is read last";
}

// Paths in the options (from the environment here) and in the script are
// UTF-8, whatever the code page.
TEST_F(HostWin, ChinesePathsInOptionsAndScriptsAreFound) {
    const fs::path script = dir.path() / PathFromUtf8("客户 脚本.txt");
    const fs::path dump = dir.path() / PathFromUtf8("窗口一览.json");
    test::WriteFile(script,
                    "pick 插件示例\nexpect 20101 插件示例\ndump " + Utf8Path(dump) + "\nclose\n");
    const auto r = Run({}, "--manual-clock --timeout 60 --script \"" + Utf8Path(script) + "\"");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(dump));
}

TEST_F(HostWin, RefusesLibrariesOutsideThePlugInFoldersAndBrokenOnes) {
    const fs::path outside = dir / "elsewhere";
    fs::create_directories(outside);
    fs::copy_file(kSample, outside / "Evil.dll");
    CCryptConfigFile province(AcpPath(app / "ProvincePlug" / "ProvincePlugConfig.dat"), "");
    const std::string absolute = Utf8Path(outside / "Evil.dll");
    province.WriteString(Acp("外来工具"), cfgkeys::kKeyPlugModuleName, absolute);
    province.WriteString(Acp("上级工具"), cfgkeys::kKeyPlugModuleName, "..\\elsewhere\\Evil.dll");
    for (const auto& [tool, value] : {std::pair<std::string, std::string>{"外来工具", absolute},
                                      {"上级工具", "..\\elsewhere\\Evil.dll"}}) {
        const auto r = RunScript("pick " + tool + "\nclose\n");
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(
            r.err.find("refused plug-in library outside \"plug\" and \"ProvincePlug\": " + value),
            std::string::npos)
            << r.err;
    }

    fs::copy_file(kBuilt / "zeva_broken_plugin_1.dll", app / "plug" / "A-NoCreate.dll");
    fs::copy_file(kBuilt / "zeva_broken_plugin_3.dll", app / "plug" / "C-Throws.dll");
    std::string arm = test::ReadFile(kSample);
    const std::size_t machineAt =
        static_cast<std::size_t>(*reinterpret_cast<const std::int32_t*>(arm.data() + 0x3C)) + 4;
    arm[machineAt] = static_cast<char>(0x64);
    arm[machineAt + 1] = static_cast<char>(0xAA);
    test::WriteFile(app / "plug" / "D-Arm.dll", arm);
    // The main window lists them first (plug before ProvincePlug, by name): buttons 200 to 202.
    const auto r = RunScript(
        "click 200\nclick 201\nclick 202\n"
        "expect 105 无法打开插件：plug\\D-Arm.dll\n"
        "click 203\nexpect 20101 插件示例\nclose\n");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    for (const char* says :
         {"A-NoCreate.dll is no plug-in: it has no PlugCreate",
          "C-Throws.dll: PlugCreate threw: the page template is missing",
          "D-Arm.dll is no plug-in for this machine: it is built for another architecture (PE "
          "machine 0xAA64)"}) {
        EXPECT_NE(r.err.find(says), std::string::npos) << says << "\n" << r.err;
    }
}

TEST_F(HostWin, TheClassWindowTakesWmCloseButNoPointerFromAnotherProcess) {
    test::RunResult result;
    std::thread host([&] { result = Run({"-AutoRun", "--timeout", "60"}); });
    const HWND found = FindHost();
    ASSERT_NE(found, nullptr);
    // The system's own window of the class is there, of the host's process.
    const ::HWND real = FindWindowW(L"ZEVACLIENT", nullptr);
    ASSERT_NE(real, nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(real, &owner);
    EXPECT_NE(owner, GetCurrentProcessId());
    // Message 1825 takes wParam as a text in the host's memory: from outside it is refused.
    char tool[] = "插件示例";
    EXPECT_EQ(SendMessage(found, plug::kMsgOpenTool, reinterpret_cast<WPARAM>(tool), 0), 0);
    DWORD_PTR answer = 99;
    EXPECT_NE(SendMessageTimeoutW(real, plug::kMsgPageClosed, 1, reinterpret_cast<LPARAM>(tool),
                                  SMTO_NORMAL, 10000, &answer),
              0);
    EXPECT_EQ(answer, 0u);
    SendMessage(found, WM_CLOSE, 0, 0);
    host.join();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("refused message 1825 from another process"), std::string::npos)
        << result.err;
    EXPECT_EQ(FindWindowW(L"ZEVACLIENT", nullptr), nullptr) << "the class window went with it";
}

TEST_F(HostWin, TheTimeLimitEndsTheHostWhileItsWindowThreadIsBusy) {
    fs::copy_file(kBuilt / "zeva_broken_plugin_5.dll", app / "plug" / "Busy.dll");
    const auto start = std::chrono::steady_clock::now();
    const auto r = Run({"--open", "Busy.dll", "--timeout", "1"});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_NE(r.err.find("ZEVAClient: timed out"), std::string::npos) << r.err;
}
