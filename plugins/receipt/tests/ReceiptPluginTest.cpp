// The plug-in library as the host loads it, headless, with its real
// services against the back-office emulator on loopback.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "CryptConfigFile.h"
#include "DlgSubPage.h"
#include "FakeSyslog.h"
#include "PluginHarness.h"
#include "ProgramRunner.h"
#include "TestSupport.h"
#include "ZEVAMessageBox.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"

using zeva::Acp;

namespace {

constexpr UINT kIdTest = 10005, kIdSubmit = 10004, kIdAccount = 10159, kIdWorkOrder = 10007;

// The emulator on a loopback port, stopped with the object.
class Emulator {
public:
    Emulator(const zeva::test::TempDir& dir, const std::string& port, const std::string& data) {
        zeva::test::WriteFile(dir / "data.txt", data);
        const std::filesystem::path portFile = dir / "port";
        pid_ = zeva::test::StartProgram(zeva::test::ProgramPath("zeva-backoffice"),
                                        {"--port", port, "--port-file", zeva::Utf8Path(portFile),
                                         "--data", zeva::Utf8Path(dir / "data.txt"), "--quiet"},
                                        dir.path());
        for (int i = 0; pid_ > 0 && i < 500 && port_.empty(); ++i) {
            std::error_code ec;
            if (std::filesystem::file_size(portFile, ec) > 0 && !ec) {
                port_ = zeva::test::ReadFile(portFile);
                port_.erase(port_.find_last_not_of("\r\n ") + 1);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }
    ~Emulator() {
        if (pid_ > 0) {
            zeva::test::KillProgram(pid_);
            zeva::test::WaitProgram(pid_);
        }
    }
    std::string Url() const { return "http://127.0.0.1:" + port_ + "/kelv/BService.ws"; }
    bool Running() const { return !port_.empty(); }

private:
    int pid_ = -1;
    std::string port_;
};

class ReceiptPlugin : public ::testing::Test {
protected:
    void Configure(const std::string& serviceUrl) {
        CCryptConfigFile((app_ / "Config.dat").string(), "")
            .WriteString("Server", "ServiceURL", serviceUrl);
        CCryptConfigFile cache((app_ / "UserData.dat").string(), "");
        cache.WriteString("UserInfo", "Account", "0571a88001234");
        cache.WriteString("UserInfo", "NetType",
                          "<Id>8</Id><BandRate>8M</BandRate><MaxValue>4096</MaxValue>");
    }
    // Answers the next message box with OK and keeps its text.
    void AnswerMessage(zeva::test::PluginHarness& plugin) {
        plugin.Driver().AnswerNextModal([this](CImageDialog& box) {
            messages_.push_back(box.GetDlgItemText(static_cast<int>(zeva::msgbox::kIdText)));
            box.EndDialog(IDOK);
        });
    }

    zeva::test::TempDir app_;
    zeva::test::TempDir work_;
    zeva::test::ScopedEnv appDir_{"ZEVA_APP_DIR", app_.path().string() + "/"};
    zeva::test::ScopedEnv registry_{"ZEVA_REGISTRY_DIR", (work_ / "registry").string()};
    zeva::test::ScopedEnv proxy_{"http_proxy", std::nullopt};
    zeva::test::FakeSyslog log_;
    std::vector<std::string> messages_;
};

// One test: the page object lives as long as the library, which stays
// loaded for the whole process.
TEST_F(ReceiptPlugin, FailsToOpenWhileTheServiceIsDownThenOpensAndReportsAnUnreachableTestServer) {
    const std::string port = std::to_string(zeva::test::ClosedLoopbackPort());
    Configure("http://127.0.0.1:" + port + "/kelv/BService.ws");
    zeva::test::PluginHarness plugin(ZEVA_RECEIPT_PLUGIN, false);
    ASSERT_TRUE(plugin.Loaded()) << plugin.Error();
    AnswerMessage(plugin);
    CDlgSubPage* page = plugin.Open();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetSafeHwnd(), nullptr);
    EXPECT_FALSE(page->IsShown());
    EXPECT_EQ(messages_, std::vector<std::string>{Acp("连接服务器失败，网络可能不畅通！")});
    messages_.clear();
    ASSERT_TRUE(log_.ok());
    const std::vector<std::string> records = log_.Drain();
    ASSERT_EQ(records.size(), 1u);
    // The system log carries UTF-8.
    for (const char* part :
         {"ZEVAClient.exe", "[一般问题] 连接服务器失败，网络可能不畅通！",
          "DlgReceipt CDlgReceipt::CreateSubWindow:394", "built Tue May 12 17:05:02 2015"})
        EXPECT_NE(records[0].find(part), std::string::npos) << part << " in " << records[0];

    const std::string closed = std::to_string(zeva::test::ClosedLoopbackPort());
    Emulator emulator(
        work_, port,
        "[getSpeedConfigList]\n<SpeedConfigs><SpeedConfig><Id>1</Id><Url>http://127.0.0.1:" +
            closed +
            "/test.bin</Url></SpeedConfig></SpeedConfigs>\n\n"
            "[getUserNameAndWorkListNum]\n<QOLT><List><WorkListNum>GD1</WorkListNum>"
            "<WorkListNum>GD2</WorkListNum></List></QOLT>\n");
    ASSERT_TRUE(emulator.Running());
    ASSERT_EQ(plugin.Open(), page);
    ASSERT_NE(page->GetSafeHwnd(), nullptr);
    EXPECT_TRUE(page->IsShown());
    EXPECT_EQ(page->GetDlgItemText(kIdAccount), "0571a88001234");
    EXPECT_EQ(page->GetDlgItemText(kIdWorkOrder), "GD1");
    EXPECT_TRUE(messages_.empty());

    AnswerMessage(plugin);
    ASSERT_TRUE(plugin.Driver().Click(*page, kIdTest));
    ASSERT_TRUE(plugin.PumpUntil([&] { return !messages_.empty(); }, 20000));
    EXPECT_EQ(messages_[0], Acp("对不起，测速点无法连接不能测速，请检测网络是否通畅或稍候重试！"));
    EXPECT_TRUE(page->GetDlgItem(kIdTest)->IsWindowEnabled());
    EXPECT_TRUE(page->GetDlgItem(kIdSubmit)->IsWindowEnabled());

    // Closed with the close cross: the host hears 1.
    ASSERT_TRUE(plugin.Driver().Click(*page, 10002));
    EXPECT_EQ(plugin.PagesClosed(), std::vector<int>{1});
}

}  // namespace
