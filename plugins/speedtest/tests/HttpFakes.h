#pragma once
// The web-page test page opened headless with fakes.

#include <string>
#include <vector>

#include "DlgResultContainer.h"
#include "DlgResultItem.h"
#include "Fixture.h"

namespace speedtest::test {

inline const std::vector<std::string> kSixSites = {"www.site1.test", "www.site2.test",
                                                   "www.site3.test", "www.site4.test",
                                                   "www.site5.test", "www.site6.test"};

class HttpFixture : public SpeedTestFixture {
protected:
    HttpFixture() {
        WriteSetting("Config.dat", "Server", "ServiceURL", "http://127.0.0.1:9/kelv/BService.ws");
        fakes_.client->account = "0571a88001234";
        fakes_.client->netType = NetType("8", "100M", "102400");
        fakes_.client->city = "杭州";
    }
    void WriteSites(const std::vector<std::string>& sites) {
        for (const std::string& s : sites) WriteSetting("SpeedTest.dat", "Http", s, "1");
    }
    void OpenHttp() {
        Open();
        ASSERT_TRUE(driver_.Click(*Landing(), landing_ids::kHttp));
    }
    CDlgHttpTest& Page() const { return *Landing()->HttpPage(); }
    CWnd* H(UINT id) const { return Page().GetDlgItem(static_cast<int>(id)); }
    CButton* Check(int row) const { return dynamic_cast<CButton*>(H(http_ids::kChecks[row])); }
    bool Add(const std::string& address) {
        return driver_.Type(Page(), http_ids::kEntry, zeva::Acp(address)) &&
               driver_.Click(Page(), http_ids::kAdd);
    }
    bool Action() { return driver_.Click(Page(), http_ids::kAction); }
    void Send(unsigned ms, int percent) {
        Page().SendMessage(kMsgHttpProgress, ms, static_cast<LPARAM>(percent));
        driver_.Pump();
    }
    // One site through its five steps, ending with `ms`.
    void Site(unsigned ms) {
        for (int p : {20, 40, 60, 80}) Send(0, p);
        Send(ms, 100);
    }
};

}  // namespace speedtest::test
