#pragma once
// A toolbox installation for the tests: an application directory with the
// two catalogue files, tool libraries (empty files) and "ad.dat", a
// stand-in host window that records the tools it is asked to open, a manual
// clock and the headless driver.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "HeadlessRenderer.h"
#include "PlugContract.h"
#include "TestSupport.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/MessageQueue.h"
#include "platform/WindowFinder.h"

namespace toolbox_test {

struct Tool {
    Tool(std::string id, std::string mod, bool present = true, std::string image = {})
        : plugId(std::move(id)),
          module(std::move(mod)),
          installed(present),
          normalImage(std::move(image)) {}
    std::string plugId;
    std::string module;  // relative to the application directory
    bool installed;
    std::string normalImage;
};

class ToolboxFixture : public ::testing::Test {
protected:
    zeva::test::TempDir root;
    std::filesystem::path app = root / "app";
    zeva::test::ScopedEnv appEnv{"ZEVA_APP_DIR", (root / "app").string()};
    zeva::test::ScopedEnv acpEnv{"ZEVA_ACP", std::string("UTF-8")};
    zeva::ManualClock clock;
    zeva::ScopedClock scopedClock{clock};
    zeva::ui::HeadlessDriver driver;
    HWND host = nullptr;
    std::vector<std::string> toolsOpened;

    void SetUp() override {
        std::filesystem::create_directories(app / "plug");
        std::filesystem::create_directories(app / "ProvincePlug");
        host = zeva::CreateWindowHandle([this](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
            if (msg == zeva::plug::kMsgOpenTool && w)
                toolsOpened.emplace_back(reinterpret_cast<const char*>(w));
            return 0;
        });
        zeva::RegisterWindowClassName(host, zeva::plug::kHostWindowClass);
    }
    void TearDown() override {
        zeva::UnregisterWindowClassName(host);
        zeva::DestroyWindowHandle(host);
    }

    std::string AppAcp() const { return app.string() + "/"; }
    // The application folder as the page reads it (native separators).
    std::string PageAppDir() const { return zeva::ApplicationPathAcp(); }

    // Writes a catalogue listing `tools` as "1".."n" ("PlugNum" = `count`, or n).
    void WriteCatalogue(const char* file, const std::vector<Tool>& tools, int count = -1) {
        CCryptConfigFile catalogue(AppAcp() + file, "");
        const std::string index = zeva::cfgkeys::SectionPlugCatalog();
        catalogue.WriteInteger(index, zeva::cfgkeys::kKeyPlugNum,
                               count < 0 ? static_cast<int>(tools.size()) : count);
        for (std::size_t i = 0; i < tools.size(); ++i) {
            const Tool& t = tools[i];
            if (t.plugId.empty()) continue;
            catalogue.WriteString(index, std::to_string(i + 1), t.plugId);
            catalogue.WriteString(t.plugId, zeva::cfgkeys::kKeyPlugModuleName, t.module);
            if (!t.normalImage.empty())
                catalogue.WriteString(t.plugId, zeva::cfgkeys::kKeyNormalImage, t.normalImage);
            if (t.installed && !t.module.empty() && t.module.find("..") == std::string::npos &&
                t.module[0] != '/') {
                zeva::test::WriteFile(zeva::NativePath(AppAcp() + t.module), "library");
            }
        }
    }
    static std::vector<Tool> Tools(int n, const std::string& prefix = "tool") {
        std::vector<Tool> tools;
        for (int i = 1; i <= n; ++i) {
            tools.push_back(
                {prefix + std::to_string(i), "plug\\" + prefix + std::to_string(i) + ".so"});
        }
        return tools;
    }
    void WriteAds(const std::vector<std::pair<std::string, std::string>>& ads) {
        CCryptConfigFile file(AppAcp() + zeva::cfgkeys::kAdDat, "");
        for (std::size_t i = 0; i < ads.size(); ++i) {
            const std::string section = "ad" + std::to_string(i + 1);
            if (!ads[i].first.empty())
                file.WriteString(section, zeva::cfgkeys::kKeyAdText, ads[i].first);
            if (!ads[i].second.empty())
                file.WriteString(section, zeva::cfgkeys::kKeyAdLink, ads[i].second);
            if (ads[i].first.empty() && ads[i].second.empty())
                file.WriteString(section, "Other", "x");
        }
    }
};

}  // namespace toolbox_test
