#pragma once
// The speed-test window headless on a manual clock, with fake services and
// a scratch application directory.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AsyncCalls.h"
#include "CryptConfigFile.h"
#include "DlgBandInfo.h"
#include "DlgDownload.h"
#include "DlgHttpTest.h"
#include "DlgQuestions.h"
#include "DlgReport.h"
#include "DlgSelect.h"
#include "DlgTestMain.h"
#include "DlgTestSpeed.h"
#include "FakeServices.h"
#include "HeadlessRenderer.h"
#include "Resources.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

namespace speedtest::test {

using namespace zeva::test;

inline std::string Utf8(const CWnd* w) {
    return w ? zeva::AcpToUtf8(w->GetWindowText()) : std::string("<no control>");
}
inline bool Visible(const CWnd* w) {
    return w && w->IsWindowVisible();
}

class SpeedTestFixture : public ::testing::Test {
protected:
    SpeedTestFixture() : env_("ZEVA_APP_DIR", dir_.path().string() + "/"), scoped_(clock_) {
        zeva::plug::AsyncCalls::SetInline(true);
        fakes_.scanner->scans = {{{"192.168.1.10", "", "", ""}}};
    }
    ~SpeedTestFixture() override {
        main_.reset();
        zeva::plug::AsyncCalls::SetInline(false);
    }

    void WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value) {
        CCryptConfigFile store((dir_.path() / file).string(), "");
        store.WriteString(zeva::Acp(section), zeva::Acp(key), zeva::Acp(value));
    }
    std::vector<std::string> SectionKeys(const std::string& file, const std::string& section) {
        CCryptConfigFile store((dir_.path() / file).string(), "");
        std::vector<std::string> keys;
        store.ReadSection(section, keys);
        return keys;
    }

    // Opens the window as PlugCreate does and lets the look-up finish.
    void Open() {
        main_ = std::make_unique<CDlgTestMain>(fakes_.Make());
        ASSERT_TRUE(main_->CreateSubWindow(kTplTestMain, nullptr));
        driver_.Pump();
        ASSERT_NE(Landing(), nullptr);
    }
    void OpenDownload() {
        Open();
        ASSERT_TRUE(driver_.Click(*Landing(), landing_ids::kDownload));
    }

    // Closes the window at once, then lets the held scan and uploads go
    // and waits for the workers, as the plug-in's unload does.
    void CloseThenRelease(Gate& scan) {
        ASSERT_TRUE(driver_.Click(*main_, main_ids::kClose));
        EXPECT_EQ(main_->GetSafeHwnd(), nullptr);
        scan.Open();
        fakes_.client->uploadGate->Open();
        zeva::plug::AsyncCalls::WaitForWorkers();
        driver_.Pump();
    }

    CDlgTestSpeed* Landing() const { return main_->Landing(); }
    CDlgDownload& Download() const { return *Landing()->DownloadPage(); }
    CWnd* D(UINT id) const { return Download().GetDlgItem(static_cast<int>(id)); }
    void Progress(unsigned rate, int percent) {
        Download().SendMessage(kMsgDownloadProgress, rate, static_cast<LPARAM>(percent));
        driver_.Pump();
    }

    zeva::test::TempDir dir_;
    zeva::test::ScopedEnv env_;
    zeva::ManualClock clock_;
    zeva::ScopedClock scoped_;
    zeva::ui::HeadlessDriver driver_;
    FakeServices fakes_;
    std::unique_ptr<CDlgTestMain> main_;
};

}  // namespace speedtest::test
