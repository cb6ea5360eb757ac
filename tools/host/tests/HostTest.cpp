// The host program end to end, offscreen: it opens the sample plug-in from
// the catalogue, a script clicks and types, screenshots are checked against
// the template, and WM_CLOSE from another process ends it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "PlugContract.h"
#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

namespace fs = std::filesystem;
using namespace zeva;

namespace {

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        app = dir / "app";
        fs::create_directories(app / "plug");
        fs::create_directories(app / "ProvincePlug");
        fs::copy_file(ZEVA_SAMPLE_PLUGIN, app / "ProvincePlug" / "ZEVAPlug_Sample.so");
        // The first catalogue lists another tool; the sample is found in the second.
        CCryptConfigFile plug((app / "plug" / "PlugConfig.dat").string(), "");
        plug.WriteInteger(cfgkeys::SectionPlugCatalog(), cfgkeys::kKeyPlugNum, 1);
        plug.WriteString(cfgkeys::SectionPlugCatalog(), "1", Acp("别的工具"));
        plug.WriteString(Acp("别的工具"), cfgkeys::kKeyPlugModuleName, "plug\\Missing.dll");
        CCryptConfigFile province((app / "ProvincePlug" / "ProvincePlugConfig.dat").string(), "");
        province.WriteInteger(cfgkeys::SectionPlugCatalog(), cfgkeys::kKeyPlugNum, 1);
        province.WriteString(cfgkeys::SectionPlugCatalog(), "1", Acp("插件示例"));
        province.WriteString(Acp("插件示例"), cfgkeys::kKeyPlugModuleName,
                             "ProvincePlug\\ZEVAPlug_Sample.dll");
    }

    std::string Command(const std::string& args, const std::string& env = {}) const {
        return "env QT_QPA_PLATFORM=offscreen ZEVA_APP_DIR='" + app.string() + "' " + env + " '" +
               test::ProgramPath("ZEVAClient").string() + "' " + args + " >'" +
               (dir / "out.txt").string() + "' 2>&1";
    }
    int Run(const std::string& args, const std::string& env = {}) const {
        const int status = std::system(Command(args, env).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int RunScript(const std::string& script) const {
        test::WriteFile(dir / "script.txt", script);
        return Run("--manual-clock --timeout 60 --script '" + (dir / "script.txt").string() + "'");
    }
    std::string Output() const { return test::ReadFile(dir / "out.txt"); }

    test::TempDir dir;
    fs::path app;
    int hostStatus = -1;
};

}  // namespace

TEST_F(Host, ScriptOpensThePickedToolWorksItAndScreenshotsMatchTheTemplate) {
    const fs::path page = dir / "page.png";
    const fs::path box = dir / "box.png";
    const std::string script =
        "pick 插件示例\n"
        "type 20107 张三\n"
        "click 20108\n"
        "wait 20109 您好，张三！\n"
        "select 20111 2\n"
        "click 20116\n"
        "advance 2000\n"
        "expect 20115 100%\n"
        "shot " +
        page.string() +
        "\n"
        "click 20117\n"
        "shot " +
        box.string() +
        "\n"
        "click 1\n"
        "# PlugCreate again: the same page comes back with what it showed\n"
        "open ZEVAPlug_Sample.so\n"
        "expect 20109 您好，张三！\n"
        "click 20102\n"
        "close\n";
    ASSERT_EQ(RunScript(script), 0) << Output();
    EXPECT_NE(Output().find("page closed with 1"), std::string::npos) << Output();

    QImage shot(QString::fromStdString(page.string()));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(480, 315)) << "320 x 210 dialog units in SimSun 9";
    const QColor band = shot.pixelColor(240, 26);  // caption band of the skin
    EXPECT_LT(band.red(), 60);
    EXPECT_GT(band.blue(), 110);
    const QColor bar = shot.pixelColor(200, 264);  // the progress bar, full
    EXPECT_GT(bar.blue(), 150);
    EXPECT_LT(bar.red(), 120);

    QImage boxShot(QString::fromStdString(box.string()));
    ASSERT_FALSE(boxShot.isNull());
    EXPECT_EQ(boxShot.size(), QSize(330, 144));
}

namespace {

// The controls of one dumped window by "dialog/id".
std::map<std::string, nlohmann::json> ControlsOf(const nlohmann::json& window) {
    std::map<std::string, nlohmann::json> out;
    for (const auto& c : window["controls"]) {
        out.emplace(
            std::to_string(c["dialog"].get<int>()) + "/" + std::to_string(c["id"].get<int>()), c);
    }
    return out;
}

const nlohmann::json* WindowOf(const nlohmann::json& doc, int templateId) {
    for (const auto& w : doc["windows"]) {
        if (w["template"] == templateId) return &w;
    }
    return nullptr;
}

}  // namespace

TEST_F(Host, ScriptsReachTheChildDialogWaitForItsTimerAndDumpThePage) {
    const fs::path page = dir / "page.json";
    const fs::path box = dir / "box.json";
    const fs::path shot = dir / "page.png";
    const std::string script =
        "open ZEVAPlug_Sample.so\n"
        "# the hidden reference label of the child dialog, by template\n"
        "expect 20002/20203 线路编号 A-1024\n"
        "waithidden 20002/20203 0\n"
        "expect 20202 检测中...\n"
        "# the status shows when the child dialog's one-second timer fires\n"
        "wait 20202 线路正常\n"
        "select 20111 1\n"
        "# real time, the program clock stays\n"
        "run 0.2\n"
        "expect 20115 0%\n"
        "dump " +
        page.string() +
        "\n"
        "shot " +
        shot.string() +
        "\n"
        "click 20117\n"
        "wait 32274 *\n"
        "dump " +
        box.string() +
        "\n"
        "click 1\n"
        "waitvisible 20118\n"
        "close\n";
    ASSERT_EQ(RunScript(script), 0) << Output();

    const auto doc = nlohmann::json::parse(test::ReadFile(page));
    const nlohmann::json* main = WindowOf(doc, 100);
    const nlohmann::json* sample = WindowOf(doc, 20001);
    ASSERT_TRUE(main && sample) << doc.dump(1);
    // Texts were GBK in the page: the dump has them in UTF-8.
    EXPECT_EQ((*sample)["text"], "插件示例");
    EXPECT_EQ((*sample)["visible"], true);
    EXPECT_EQ((*sample)["modal"], false);
    EXPECT_EQ((*sample)["rect"][2], 480);
    auto c = ControlsOf(*sample);
    EXPECT_EQ(c["20001/20106"]["text"], "姓名：");
    EXPECT_EQ(c["20001/20105"]["text"],
              "欢迎使用宽带助手插件示例。请输入您的姓名并点击“确定”，选择套餐，运行一次检测。");
    EXPECT_EQ(c["20001/20113"]["kind"], "listctrl");
    EXPECT_EQ(c["20001/20113"]["items"],
              nlohmann::json::parse(
                  R"([["网络连接","未检测"],["域名解析","未检测"],["下载速度","未检测"]])"));
    EXPECT_EQ(c["20001/20111"]["kind"], "combobox");
    EXPECT_EQ(c["20001/20111"]["items"],
              nlohmann::json::parse(R"(["10M 光纤","20M 光纤","100M 光纤"])"));
    EXPECT_EQ(c["20001/20111"]["selected"], 1);
    EXPECT_EQ(c["20001/20112"]["kind"], "checkbox");
    EXPECT_EQ(c["20001/20112"]["checked"], false);
    EXPECT_EQ(c["20001/20114"]["range"], nlohmann::json::parse("[0,20]"));
    EXPECT_EQ(c["20001/20002"]["kind"], "dialog");
    EXPECT_EQ(c["20001/20002"]["rect"], nlohmann::json::parse("[240,129,225,23]"));
    EXPECT_EQ(c["20002/20202"]["text"], "线路正常");
    EXPECT_EQ(c["20002/20202"]["visible"], true);
    EXPECT_EQ(c["20002/20203"]["visible"], false);
    EXPECT_EQ(c["20002/20203"]["text"], "线路编号 A-1024");
    EXPECT_EQ(c["20002/20201"]["rect"][0], 240 + 6) << "in the page's client coordinates";

    const auto withBox = nlohmann::json::parse(test::ReadFile(box));
    const nlohmann::json* msg = WindowOf(withBox, 0x7E01);
    ASSERT_TRUE(msg) << withBox.dump(1);
    EXPECT_EQ((*msg)["modal"], true);
    EXPECT_EQ(ControlsOf(*msg)["32257/32274"]["text"], "这是宽带助手的提示信息。");

    // The picture shows the child dialog's own background inside the page.
    QImage picture(QString::fromStdString(shot.string()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.pixelColor(462, 140), QColor(0xFF, 0xF7, 0xD6));
}

TEST_F(Host, AFailedWaitSaysWhatItLookedForAndWhatWasShown) {
    EXPECT_EQ(RunScript("open ZEVAPlug_Sample.so\nwait 20002/20202 线路故障 3\nclose\n"), 1);
    EXPECT_NE(Output().find("script line 2 (wait): control 20202 of dialog 20002 (20002/20202) "
                            "shows '线路正常', waiting for '线路故障' after 3 s"),
              std::string::npos)
        << Output();
    EXPECT_EQ(RunScript("open ZEVAPlug_Sample.so\nclick 20203\n"), 1) << "hidden: not found by id";
    EXPECT_NE(Output().find("script line 2 (click): no visible control 20203 (20203)"),
              std::string::npos)
        << Output();
}

TEST_F(Host, ScreenshotModeWritesEveryWindowAsItOpens) {
    const fs::path shots = dir / "shots";
    test::WriteFile(dir / "close.txt", "close\n");
    ASSERT_EQ(Run("--manual-clock --timeout 60 --open ZEVAPlug_Sample.so --screenshot '" +
                  shots.string() + "' --script '" + (dir / "close.txt").string() + "'"),
              0)
        << Output();
    ASSERT_TRUE(fs::exists(shots / "01-100.png")) << Output();
    ASSERT_TRUE(fs::exists(shots / "02-20001.png"));
    EXPECT_EQ(QImage(QString::fromStdString((shots / "01-100.png").string())).size(),
              QSize(390, 255));
}

TEST_F(Host, FailingStepsAndBadArgumentsEndWithAReason) {
    EXPECT_EQ(RunScript("open ZEVAPlug_Sample.so\nexpect 20109 nothing-like-this\nclose\n"), 1);
    EXPECT_NE(Output().find("script line 2 (expect)"), std::string::npos) << Output();
    EXPECT_EQ(RunScript("pick 别的工具\nclose\n"), 1) << "its library is missing";
    EXPECT_EQ(RunScript("frobnicate\n"), 2);
    EXPECT_EQ(Run("--bogus"), 2);
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(Output().find("--script FILE"), std::string::npos);
}

// An updater starts the client with "-AutoRun" only; the options it is to
// play come from the environment, before the command line's own.
TEST_F(Host, OptionsFromTheEnvironmentComeBeforeTheCommandLine) {
    const fs::path script = dir / "auto run.txt";
    test::WriteFile(script, "expect 105 已自动启动，共 1 个插件。\nshot " +
                                (dir / "restarted.png").string() + "\nclose\n");
    const std::string options = "--manual-clock --timeout 60 --script \"" + script.string() + "\"";
    EXPECT_EQ(Run("-AutoRun", "ZEVA_CLIENT_OPTIONS='" + options + "'"), 0) << Output();
    EXPECT_TRUE(fs::exists(dir / "restarted.png")) << Output();
    EXPECT_EQ(Run("-AutoRun", "ZEVA_CLIENT_OPTIONS=--bogus"), 2);
    EXPECT_NE(Output().find("unknown argument --bogus"), std::string::npos) << Output();
    EXPECT_EQ(Run("--timeout 0", "ZEVA_CLIENT_OPTIONS='--timeout 60'"), 2)
        << "the command line's own value is read last";
}

TEST_F(Host, RefusesCatalogueLibrariesOutsideThePlugInFolders) {
    const fs::path outside = dir / "elsewhere";
    fs::create_directories(outside);
    fs::copy_file(ZEVA_SAMPLE_PLUGIN, outside / "Evil.so");
    CCryptConfigFile province((app / "ProvincePlug" / "ProvincePlugConfig.dat").string(), "");
    const std::string absolute = (outside / "Evil.so").string();
    province.WriteString(Acp("外来工具"), cfgkeys::kKeyPlugModuleName, absolute);
    province.WriteString(Acp("上级工具"), cfgkeys::kKeyPlugModuleName, "..\\elsewhere\\Evil.so");
    for (const auto& [tool, value] : {std::pair<std::string, std::string>{"外来工具", absolute},
                                      {"上级工具", "..\\elsewhere\\Evil.so"}}) {
        EXPECT_EQ(RunScript("pick " + tool + "\nclose\n"), 1) << Output();
        EXPECT_NE(Output().find("refused plug-in library outside \"plug\" and \"ProvincePlug\": " +
                                value),
                  std::string::npos)
            << Output();
    }
}

TEST_F(Host, SkipsBrokenPlugInsAndKeepsRunning) {
    const fs::path broken = ZEVA_BROKEN_PLUGIN_DIR;
    fs::copy_file(broken / "zeva_broken_plugin_1.so", app / "plug" / "A-NoCreate.so");
    fs::copy_file(broken / "zeva_broken_plugin_2.so", app / "plug" / "B-Unresolved.so");
    fs::copy_file(broken / "zeva_broken_plugin_3.so", app / "plug" / "C-Throws.so");
    test::WriteFile(app / "plug" / "D-Truncated.so",
                    test::ReadFile(ZEVA_SAMPLE_PLUGIN).substr(0, 3000));
    // The main window lists them first (plug before ProvincePlug, by name): buttons 200 to 203.
    ASSERT_EQ(RunScript("click 200\nclick 201\nclick 202\nclick 203\n"
                        "expect 105 无法打开插件：plug\\D-Truncated.so\n"
                        "click 204\nexpect 20101 插件示例\nclose\n"),
              0)
        << Output();
    for (const char* says : {"A-NoCreate.so is no plug-in: it has no PlugCreate", "B-Unresolved.so",
                             "C-Throws.so: PlugCreate threw: the page template is missing",
                             "D-Truncated.so is no plug-in: the file is truncated"}) {
        EXPECT_NE(Output().find(says), std::string::npos) << says << "\n" << Output();
    }
}

TEST_F(Host, AMessageWithAPointerFromAnotherProcessIsRefused) {
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", (dir / "run").string());
    fs::create_directories(dir / "run");
    const std::string cmd =
        "env XDG_RUNTIME_DIR='" + (dir / "run").string() + "' " + Command("--timeout 60");
    std::thread host([&] { hostStatus = std::system(cmd.c_str()); });
    HWND found = nullptr;
    for (int i = 0; i < 600 && !found; ++i) {
        found = FindWindowA("ZEVACLIENT");
        if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(found, nullptr) << Output();
    // Message 1825 takes wParam as a text in the host's memory: from outside it is refused.
    EXPECT_EQ(SendMessage(found, plug::kMsgOpenTool, 4096, 0), 0);
    SendMessage(found, WM_CLOSE, 0, 0);
    host.join();
    EXPECT_TRUE(WIFEXITED(hostStatus)) << "the host died: " << Output();
    EXPECT_EQ(WEXITSTATUS(hostStatus), 0) << Output();
    EXPECT_NE(Output().find("refused message 1825 from another process"), std::string::npos)
        << Output();
}

TEST_F(Host, ClosesOnWmCloseFromAnotherProcess) {
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", (dir / "run").string());
    fs::create_directories(dir / "run");
    const std::string cmd =
        "env XDG_RUNTIME_DIR='" + (dir / "run").string() + "' " + Command("-AutoRun --timeout 60");
    std::thread host([&] { hostStatus = std::system(cmd.c_str()); });
    HWND found = nullptr;
    // The host needs a moment to start; bounded by the loop, not a timer under test.
    for (int i = 0; i < 600 && !found; ++i) {
        found = FindWindowA("ZEVACLIENT");
        if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(found, nullptr) << Output();
    SendMessage(found, WM_CLOSE, 0, 0);
    host.join();
    EXPECT_TRUE(WIFEXITED(hostStatus));
    EXPECT_EQ(WEXITSTATUS(hostStatus), 0) << Output();
}

// A person clicking through the main window sees the tools by the names the
// catalogues give them; a library no catalogue lists keeps its file name.
TEST_F(Host, TheMainWindowListsToolsByTheirCatalogueNames) {
    fs::copy_file(ZEVA_SAMPLE_PLUGIN, app / "plug" / "Unlisted.so");
    const fs::path dump = dir / "main.json";
    ASSERT_EQ(RunScript("dump " + dump.string() + "\nclick 201\nexpect 20101 插件示例\nclose\n"), 0)
        << Output();
    const auto doc = nlohmann::json::parse(test::ReadFile(dump));
    const nlohmann::json* main = WindowOf(doc, 100);
    ASSERT_TRUE(main) << doc.dump(1);
    auto c = ControlsOf(*main);
    EXPECT_EQ(c["100/200"]["text"], "Unlisted.so");
    EXPECT_EQ(c["100/201"]["text"], "插件示例")
        << "ProvincePlug\\ZEVAPlug_Sample.so, listed as .dll";
}

// --timeout ends the host even while a page keeps its window thread busy.
TEST_F(Host, TheTimeLimitEndsTheHostWhileItsWindowThreadIsBusy) {
    fs::copy_file(fs::path(ZEVA_BROKEN_PLUGIN_DIR) / "zeva_broken_plugin_5.so",
                  app / "plug" / "Busy.so");
    const auto start = std::chrono::steady_clock::now();
    // `timeout` only keeps a broken host from stalling the test run.
    EXPECT_EQ(Run("--open Busy.so --timeout 1", "timeout -s KILL 60"), 3) << Output();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_NE(Output().find("ZEVAClient: timed out"), std::string::npos) << Output();
}

// Scripts are read only from regular files of at most 1 MiB, and a bad one
// is refused at once with its reason (it once read /dev/zero without end).
TEST_F(Host, ScriptsThatAreNoRegularFileOrTooLargeAreRefusedAtOnce) {
    ASSERT_EQ(::mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
    test::WriteFile(dir / "big.txt", std::string((1u << 20) + 1, '#'));
    struct Case {
        std::string script;
        const char* says;
    };
    const Case cases[] = {
        {"/dev/zero", "/dev/zero is not a regular file"},
        {(dir / "fifo.txt").string(), "fifo.txt is not a regular file"},
        {(dir / "big.txt").string(), "big.txt is larger than 1 MiB"},
        {(dir / "missing.txt").string(), "cannot read script: cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(Run("--timeout 20 --script '" + c.script + "'", "timeout -s KILL 60"), 2);
        EXPECT_NE(Output().find(c.says), std::string::npos) << Output();
    }
}

// Screenshots that cannot be written fail the run instead of passing for a success.
TEST_F(Host, AScreenshotFolderThatCannotBeWrittenFailsTheRun) {
    test::WriteFile(dir / "file", "a file, not a folder");
    EXPECT_EQ(Run("--screenshot '" + (dir / "file" / "shots").string() + "' --timeout 20"), 4);
    EXPECT_NE(Output().find("cannot write screenshots to"), std::string::npos) << Output();
}
