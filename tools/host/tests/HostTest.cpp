// The host program end to end, offscreen: it opens the sample plug-in from
// the catalogue, a script clicks and types, screenshots are checked against
// the template, and WM_CLOSE from another process ends it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <thread>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
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

    std::string Command(const std::string& args) const {
        return "env QT_QPA_PLATFORM=offscreen ZEVA_APP_DIR='" + app.string() + "' '" +
               test::ProgramPath("ZEVAClient").string() + "' " + args + " >'" +
               (dir / "out.txt").string() + "' 2>&1";
    }
    int Run(const std::string& args) const {
        const int status = std::system(Command(args).c_str());
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
