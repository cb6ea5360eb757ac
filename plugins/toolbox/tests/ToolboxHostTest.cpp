// The toolbox in the real host, offscreen: the host opens the toolbox, a
// script clicks a tool's button and the picked plug-in's page opens. The
// screenshots of the grid and of the strip's second page are checked (and
// kept in ZEVA_TOOLBOX_SHOTS when it is set).

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <filesystem>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;
using namespace zeva;
namespace keys = zeva::cfgkeys;

namespace {

constexpr int kTools = 32;  // more than the grid shows: it scrolls
// The sample plug-in is the 20th tool, the fourth of the regional catalogue.
constexpr int kSampleIndex = 19;

QColor ToolColour(int i) {
    return QColor::fromHsv((i * 47) % 360, 160, 210);
}

// A tool icon: a rounded tile in the upper part, the lower part left free for the caption.
void WriteIcon(const fs::path& file, const QColor& colour) {
    QImage img(80, 70, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 2; y < 44; ++y) {
        for (int x = 20; x < 60; ++x) {
            const bool corner = (x < 24 || x > 55) && (y < 6 || y > 39);
            if (corner) continue;
            const int shade = (y - 2) * 40 / 42;
            img.setPixelColor(x, y, colour.darker(100 + shade));
        }
    }
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(img.save(QString::fromStdString(file.string()), "PNG"));
}

class ToolboxHost : public ::testing::Test {
protected:
    void SetUp() override {
        app = dir / "app";
        fs::create_directories(app / "plug");
        fs::create_directories(app / "ProvincePlug");
        fs::copy_file(ZEVA_TOOLBOX_PLUGIN, app / "plug" / "ZEVAPlug_TreasureBox.so");
        fs::copy_file(ZEVA_SAMPLE_PLUGIN, app / "ProvincePlug" / "ZEVAPlug_Sample.so");
        const std::string index = keys::SectionPlugCatalog();
        const std::string appAcp = app.string() + "/";
        CCryptConfigFile plug(appAcp + keys::kPlugConfigDat, "");
        CCryptConfigFile province(appAcp + keys::kProvincePlugConfigDat, "");
        const char* names[] = {"宽带测速", "故障报修", "网络邻居", "上网助手",
                               "账户查询", "流量统计", "安全检测", "家庭网关"};
        for (int i = 0; i < kTools; ++i) {
            // The first half from the general catalogue, the rest from the regional one.
            CCryptConfigFile& file = i < kTools / 2 ? plug : province;
            const int number = i < kTools / 2 ? i + 1 : i - kTools / 2 + 1;
            const std::string id = i == kSampleIndex ? Acp("插件示例")
                                   : i < 8           ? Acp(names[i])
                                                     : Acp("工具") + std::to_string(i + 1);
            const std::string icon = "plug\\icons\\" + std::to_string(i + 1) + ".png";
            WriteIcon(app / "plug" / "icons" / (std::to_string(i + 1) + ".png"), ToolColour(i));
            file.WriteString(index, std::to_string(number), id);
            std::string module = "ProvincePlug\\ZEVAPlug_Sample.so";
            if (i != kSampleIndex) {
                module = "plug\\tool" + std::to_string(i + 1) + ".so";
                test::WriteFile(app / "plug" / ("tool" + std::to_string(i + 1) + ".so"), "");
            }
            file.WriteString(id, keys::kKeyPlugModuleName, module);
            for (const char* key :
                 {keys::kKeyNormalImage, keys::kKeySelectImage, keys::kKeyOverImage})
                file.WriteString(id, key, icon);
        }
        plug.WriteInteger(index, keys::kKeyPlugNum, kTools / 2);
        province.WriteInteger(index, keys::kKeyPlugNum, kTools / 2);

        CCryptConfigFile ads(appAcp + keys::kAdDat, "");
        const char* texts[] = {"宽带提速，畅享光纤生活", "新用户办理立减五十元", "家庭网络安全检测",
                               "手机充值九五折",         "积分兑换好礼",         "营业厅在线预约"};
        for (int i = 0; i < 6; ++i) {
            const std::string section = "ad" + std::to_string(i + 1);
            ads.WriteString(section, keys::kKeyAdText, Acp(texts[i]));
            ads.WriteString(section, keys::kKeyAdLink,
                            "http://127.0.0.1:9/ad" + std::to_string(i + 1));
        }
    }

    int RunScript(const std::string& script) {
        test::WriteFile(dir / "script.txt", script);
        const std::string command =
            "env QT_QPA_PLATFORM=offscreen ZEVA_APP_DIR='" + app.string() + "' '" +
            test::ProgramPath("ZEVAClient").string() + "' --manual-clock --timeout 60 --script '" +
            (dir / "script.txt").string() + "' >'" + (dir / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Output() const { return test::ReadFile(dir / "out.txt"); }

    test::TempDir dir;
    fs::path app;
};

}  // namespace

TEST_F(ToolboxHost, TheHostOpensTheToolboxAndThePickedToolsPage) {
    const fs::path grid = dir / "toolbox-grid.png";
    const fs::path strip = dir / "toolbox-strip.png";
    const fs::path dump = dir / "toolbox.json";
    const std::string script =
        "open ZEVAPlug_TreasureBox.so\n"
        "shot " +
        grid.string() +
        "\n"
        "dump " +
        dump.string() +
        "\n"
        "advance 5000\n"
        "shot " +
        strip.string() +
        "\n"
        "click 14101#20\n"
        "wait 20101 插件示例\n"
        "close\n";
    ASSERT_EQ(RunScript(script), 0) << Output();

    // 70-pixel icons in 7 rows: content 6 * 74 + 70 + 5 = 519 in a grid of 405.
    std::string state = test::ReadFile(dump);
    std::erase_if(state, [](char c) { return c == ' ' || c == '\n'; });
    EXPECT_NE(state.find("\"scroll\":[0,214,100,0]"), std::string::npos) << state;
    const QImage first(QString::fromStdString(grid.string()));
    const QImage second(QString::fromStdString(strip.string()));
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(first.size(), QSize(615, 450)) << "410 x 300 dialog units in SimSun 9";
    // The first row shows the tools' icons in catalogue order.
    for (int i = 0; i < 5; ++i) {
        const QColor seen = first.pixelColor(20 + 110 * i + 40, 5 + 10);
        const QColor want = ToolColour(i).darker(100 + 8 * 40 / 42);
        EXPECT_NEAR(seen.hue(), want.hue(), 12) << "tool " << i;
    }
    // The grid stays, the strip below it turns to its second page.
    EXPECT_EQ(first.copy(0, 0, 615, 360), second.copy(0, 0, 615, 360));
    EXPECT_NE(first.copy(0, 375, 615, 75), second.copy(0, 375, 615, 75));

    if (const char* keep = std::getenv("ZEVA_TOOLBOX_SHOTS")) {
        fs::create_directories(keep);
        fs::copy_file(grid, fs::path(keep) / "toolbox-grid.png",
                      fs::copy_options::overwrite_existing);
        fs::copy_file(strip, fs::path(keep) / "toolbox-strip.png",
                      fs::copy_options::overwrite_existing);
    }
}
