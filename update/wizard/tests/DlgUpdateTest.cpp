// The update dialog and the program's runs, headless on the manual clock.

#include <gtest/gtest.h>

#include <algorithm>

#include <regex>

#include "CryptConfigFile.h"
#include "UpdateApp.h"
#include "UpdateJob.h"
#include "WizardFixture.h"
#include "platform/CodePage.h"
#include "platform/NamedMutex.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using namespace zeva::wizard;
using State = CDlgUpdate::State;
using zeva::Acp;
using zeva::test::Release;

// The client the updater restarts: "ZEVAClient.exe" on Windows.
const std::string kClient = zeva::kClientExecutable;

namespace {

constexpr char kUpToDate[] = "您安装的Pelmo已经是最新版本！";
constexpr char kNoConnection[] = "无法与服务器建立连接,请稍候重试！";
constexpr char kUpdateError[] = "更新过程出现错误,请稍候重试！";
constexpr char kAutoRestart[] = "软件更新后会自动启用新版本！";
constexpr char kChecking[] = "正在检查新版本，请稍候……";

// Records whether the client was closed before the first file was replaced.
class OrderHost : public zeva::test::RecordingHost {
public:
    bool ReplaceFile(const fs::path& source, const fs::path& target) override {
        if (closesAtFirstReplace < 0) closesAtFirstReplace = closes;
        ++replaces;
        return RecordingHost::ReplaceFile(source, target);
    }
    int closesAtFirstReplace = -1;
    int replaces = 0;
};

class DlgUpdateTest : public zeva::test::WizardFixture {
protected:
    OrderHost recorder;

    Release Sample() const {
        return Release{"2.0",
                       "330000",
                       0,
                       0,
                       {{kClient, "client v2"}, {"data\\a.dat", std::string(70000, 'a')}}};
    }
    void InstallOld() {
        Install(kClient, "client v1");
        Install("data\\a.dat", "a v1");
    }
    std::vector<std::string> RecordSections() const {
        CCryptConfigFile record(AppAcp() + keys::kUpdateRecordDat, "");
        std::vector<std::string> sections;
        record.ReadSections(sections);
        return sections;
    }
    // Presses "立即升级" and waits until the dialog has left the downloading state.
    void Upgrade(CDlgUpdate& d) {
        ASSERT_EQ(d.GetState(), State::UpdateAvailable);
        ASSERT_TRUE(driver.Click(d, IDC_UPGRADE));
        ASSERT_TRUE(WaitFor([&] { return d.GetState() != State::Downloading || d.IsEnded(); }));
    }
    // Upgrades from release 1.0: the download must fail with the update error
    // and leave the installed client, the staging folder and the version alone.
    void ExpectUpgradeRefusedAndNothingInstalled() {
        CDlgUpdate dlg(1, "", recorder);
        Run(dlg, [&](CDlgUpdate& d) {
            Upgrade(d);
            EXPECT_EQ(d.GetState(), State::Failed);
            EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_HEADLINE)), Acp(kUpdateError));
            EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
        });
        EXPECT_EQ(Installed(kClient), "client v1");
        EXPECT_FALSE(fs::exists(app / "UPDATE" / "Program" / kClient));
        EXPECT_EQ(recorder.replaces, 0);
        EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
    }
};

TEST_F(DlgUpdateTest, CheckingThenUpToDateOffersOnlyClosing) {
    Configure("2.0", "330000");
    InstallOld();
    Publish(Sample());
    CDlgUpdate dlg(1, "", recorder);
    const int result = Run(dlg, [&](CDlgUpdate& d) {
        EXPECT_EQ(d.GetState(), State::UpToDate);
        EXPECT_FALSE(driver.Click(d, IDC_UPGRADE));
        driver.PressMouse(d, CPoint(100, 20));
        EXPECT_EQ(d.DragRequests(), 1);
        EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(order, (std::vector<State>{State::Checking, State::UpToDate}));
    // The checking state is entered while the window opens and offers nothing yet.
    EXPECT_FALSE(seen[State::Checking].rendered);
    EXPECT_EQ(seen[State::Checking].headline, Acp(kChecking));
    EXPECT_EQ(seen[State::Checking].visible,
              Ids({IDC_TITLE, IDC_CLOSE_CROSS, IDC_BANNER, IDC_ICON, IDC_HEADLINE, IDC_CLOSE}));
    const auto& v = seen[State::UpToDate];
    EXPECT_EQ(v.headline, Acp(kUpToDate));
    EXPECT_EQ(v.visible,
              Ids({IDC_TITLE, IDC_CLOSE_CROSS, IDC_BANNER, IDC_ICON, IDC_HEADLINE, IDC_CLOSE}));
    EXPECT_EQ(v.icon, IDB_ICON_CURRENT);
    EXPECT_EQ(v.banner, IDB_BANNER_CURRENT);
    EXPECT_EQ(Requests(), std::vector<std::string>{"/1/UpdateConfig.ini"});
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_TRUE(recorder.starts.empty());
}

TEST_F(DlgUpdateTest, UnreachableServerIsAFailureNotUpToDate) {
    Configure("1.0", "330000");
    InstallOld();
    {
        CCryptConfigFile config(AppAcp() + keys::kConfigDat, "");
        config.WriteInteger(keys::kSectionUpdate, keys::kKeyServerPort,
                            zeva::test::ClosedLoopbackPort());
    }
    CDlgUpdate dlg(1, "", recorder);
    const int result = Run(dlg, [&](CDlgUpdate& d) {
        EXPECT_EQ(d.GetState(), State::Failed);
        EXPECT_TRUE(driver.Click(d, IDC_CLOSE_CROSS));
    });
    EXPECT_EQ(result, IDOK);
    const auto& v = seen[State::Failed];
    EXPECT_EQ(v.headline, Acp(kNoConnection));
    EXPECT_EQ(v.icon, IDB_ICON_FAILED);
    EXPECT_EQ(v.visible.count(IDC_UPGRADE), 0u);
    EXPECT_EQ(seen.count(State::UpToDate), 0u);
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
}

TEST_F(DlgUpdateTest, UpgradeDownloadsClosesClientInstallsRecordsAndRestarts) {
    Configure("1.0", "330000");
    InstallOld();
    Install("kept.txt", "not in the release");
    Publish(Sample());
    fs::create_directories(root / "registry");
    ASSERT_TRUE(zeva::RegistryKey::Create(zeva::RegistryHive::LocalMachine, "SOFTWARE\\Pelmo"));
    CDlgUpdate dlg(1, "", recorder);
    const int result = Run(dlg, [&](CDlgUpdate& d) {
        EXPECT_EQ(d.NamesToFetch(), (std::vector<std::string>{kClient, "data\\a.dat"}));
        EXPECT_EQ(d.ExpectedSizes(), (std::vector<long long>{9, 70000}));
        Upgrade(d);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(order, (std::vector<State>{State::Checking, State::UpdateAvailable,
                                         State::Downloading, State::Finished}));
    const auto& offer = seen[State::UpdateAvailable];
    EXPECT_EQ(offer.version, "2.0");
    EXPECT_EQ(offer.headline, Acp("Pelmo有新版本"));
    EXPECT_EQ(offer.visible,
              Ids({IDC_TITLE, IDC_CLOSE_CROSS, IDC_BANNER, IDC_ICON, IDC_HEADLINE, IDC_VERSION,
                   IDC_UPDATABLE, IDC_QUESTION, IDC_UPGRADE, IDC_CLOSE}));
    EXPECT_EQ(offer.icon, IDB_ICON_NEW);
    const auto& down = seen[State::Downloading];
    EXPECT_EQ(down.headline, Acp(kAutoRestart));
    EXPECT_EQ(down.visible, Ids({IDC_TITLE, IDC_CLOSE_CROSS, IDC_BANNER, IDC_ICON, IDC_HEADLINE,
                                 IDC_PROGRESS, IDC_CLOSE}));
    EXPECT_EQ(down.banner, IDB_BANNER_DOWNLOADING);
    EXPECT_EQ(seen[State::Finished].banner, IDB_BANNER_FINISHED);

    EXPECT_EQ(Installed(kClient), "client v2");
    EXPECT_EQ(Installed("data\\a.dat"), std::string(70000, 'a'));
    EXPECT_EQ(Installed("kept.txt"), "not in the release");
    EXPECT_EQ(recorder.closes, 1);
    EXPECT_EQ(recorder.closesAtFirstReplace, 1);
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    auto key = zeva::RegistryKey::Open(zeva::RegistryHive::LocalMachine, "SOFTWARE\\Pelmo");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryString("Version").value_or(""), "2.0");
    EXPECT_EQ(key->QueryString("InstallPath").value_or(""), AppAcp());
    const auto sections = RecordSections();
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_TRUE(std::regex_match(sections[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
        << sections[0];
    CCryptConfigFile record(AppAcp() + keys::kUpdateRecordDat, "");
    EXPECT_EQ(record.ReadInteger(sections[0], keys::kKeyIsSucceed, 0), 1);
    std::string v;
    record.ReadString(sections[0], keys::kKeyNewVersion, "", v);
    EXPECT_EQ(v, "2.0");
    record.ReadString(sections[0], keys::kKeyOldVersion, "", v);
    EXPECT_EQ(v, "1.0");
    EXPECT_FALSE(fs::exists(app / "UPDATE" / "Program"));
    // Restarted at once, with empty parameters, no notification.
    ASSERT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.starts[0].program, app / kClient);
    EXPECT_EQ(recorder.starts[0].parameters, "");
    EXPECT_TRUE(recorder.pauses.empty());
    EXPECT_TRUE(recorder.notifications.empty());
}

TEST_F(DlgUpdateTest, EverythingStagedInstallsAtOnceWithoutDownloading) {
    Configure("1.0", "330000");
    InstallOld();
    const Release r = Sample();
    server.Put("/1/UpdateConfig.ini", r.MainCatalog());  // the files themselves are not served
    for (const auto& [name, content] : r.files) {
        zeva::test::WriteFile(app / "UPDATE" / "Program" / zeva::test::UrlPath(name), content);
    }
    CDlgUpdate dlg(1, "", recorder);
    const int result = Run(dlg, [&](CDlgUpdate& d) {
        EXPECT_TRUE(d.NamesToFetch().empty());
        ASSERT_TRUE(driver.Click(d, IDC_UPGRADE));
        EXPECT_TRUE(d.IsEnded());
        EXPECT_EQ(d.Worker(), nullptr);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(order.back(), State::Finished);
    EXPECT_EQ(Requests(), std::vector<std::string>{"/1/UpdateConfig.ini"});
    EXPECT_EQ(Installed(kClient), "client v2");
    EXPECT_EQ(Installed("data\\a.dat"), std::string(70000, 'a'));
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
}

TEST_F(DlgUpdateTest, SizeMismatchStopsTheWorkerAndShowsTheError) {
    Configure("1.0", "330000");
    InstallOld();
    Release r = Sample();
    std::string catalog = r.MainCatalog();
    // The first file is listed one byte larger than it is; the second never arrives.
    const std::string size = "SIZE=9\n";
    catalog.replace(catalog.find(size), size.size(), "SIZE=10\n");
    Publish(r);
    server.Put("/1/UpdateConfig.ini", catalog);
    server.SetFault("/1/data/a.dat", zeva::test::Fault::Stall);
    CDlgUpdate dlg(1, "", recorder);
    Run(dlg, [&](CDlgUpdate& d) {
        Upgrade(d);
        EXPECT_EQ(d.GetState(), State::Failed);
        ASSERT_NE(d.Worker(), nullptr);
        // Terminated: not running any more although its second download stalled.
        EXPECT_FALSE(d.Worker()->IsRunning());
        EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_HEADLINE)), Acp(kUpdateError));
        EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
    });
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_EQ(recorder.replaces, 0);
    EXPECT_EQ(recorder.closes, 0);
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
    EXPECT_TRUE(RecordSections().empty());
}

TEST_F(DlgUpdateTest, FileWithWrongDigestIsNeitherInstalledNorKept) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    server.Put("/1/" + kClient, "client vX");  // same size, other content
    ExpectUpgradeRefusedAndNothingInstalled();
}

TEST_F(DlgUpdateTest, FailedDownloadKeepsWhatArrivedAndTheNextRunFetchesTheRest) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    server.Remove("/1/data/a.dat");
    {
        CDlgUpdate dlg(1, "", recorder);
        Run(dlg, [&](CDlgUpdate& d) {
            Upgrade(d);
            EXPECT_EQ(d.GetState(), State::Failed);
            EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_HEADLINE)), Acp(kNoConnection));
            EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
        });
    }
    EXPECT_TRUE(fs::exists(app / "UPDATE" / "Program" / kClient));
    EXPECT_EQ(Installed(kClient), "client v1");

    Publish(Sample());
    server.ClearRequests();
    order.clear();
    CDlgUpdate again(1, "", recorder);
    EXPECT_EQ(Run(again,
                  [&](CDlgUpdate& d) {
                      EXPECT_EQ(d.NamesToFetch(), std::vector<std::string>{"data\\a.dat"});
                      Upgrade(d);
                  }),
              IDOK);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"/1/UpdateConfig.ini", "/1/data/a.dat"}));
    EXPECT_EQ(Installed(kClient), "client v2");
}

TEST_F(DlgUpdateTest, ClosingDuringTheDownloadStopsTheWorker) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    // The second file stalls (the first is too small to stall at all), so the
    // worker is surely mid-transfer when the user closes.
    server.SetFault("/1/data/a.dat", zeva::test::Fault::Stall);
    CDlgUpdate dlg(1, "", recorder);
    EXPECT_EQ(Run(dlg,
                  [&](CDlgUpdate& d) {
                      ASSERT_TRUE(driver.Click(d, IDC_UPGRADE));
                      ASSERT_TRUE(WaitFor([&] {
                          const auto requests = server.Requests();
                          return std::find(requests.begin(), requests.end(), "/1/data/a.dat") !=
                                 requests.end();
                      }));
                      EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
                  }),
              IDOK);
    EXPECT_EQ(dlg.Worker(), nullptr);
    EXPECT_EQ(Installed(kClient), "client v1");
}

TEST_F(DlgUpdateTest, WindowIsOnScreenAndClosableWhileTheCatalogIsSlow) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    // Large enough to stall part-way, as a catalog on a very slow line does.
    server.Put("/1/UpdateConfig.ini", Sample().MainCatalog() + std::string(200000, ';') + "\n");
    server.SetFault("/1/UpdateConfig.ini", zeva::test::Fault::Stall);
    CDlgUpdate dlg(1, "", recorder);
    Watch(dlg);
    std::chrono::steady_clock::duration closing{};
    driver.AnswerNextModal([&](CImageDialog& shown) {
        auto& d = static_cast<CDlgUpdate&>(shown);
        ASSERT_TRUE(WaitFor([&] { return !server.Requests().empty(); }));
        EXPECT_TRUE(d.IsRendered());
        EXPECT_EQ(d.GetState(), State::Checking);
        EXPECT_NE(d.Checker(), nullptr);
        EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_HEADLINE)), Acp(kChecking));
        EXPECT_FALSE(driver.Click(d, IDC_UPGRADE)) << "nothing is offered before the answer";
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
        closing = std::chrono::steady_clock::now() - start;
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    // Closing cut the stalled transfer short instead of waiting for its time-outs.
    EXPECT_LT(closing, std::chrono::seconds(15));
    EXPECT_EQ(dlg.Checker(), nullptr);
    EXPECT_EQ(order, std::vector<State>{State::Checking});
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_TRUE(recorder.starts.empty());
}

TEST_F(DlgUpdateTest, InstallGoesThroughTheEngineAndItsJournal) {
    Configure("1.0", "330000");
    InstallOld();
    Install(kClient + ".bak", "the user's");
    Install("d\\r.doc.bak", "keep");
    Publish(Sample());
    recorder.busy.insert(kClient);
    CDlgUpdate dlg(1, "", recorder);
    EXPECT_EQ(Run(dlg, [&](CDlgUpdate& d) { Upgrade(d); }), IDOK);
    EXPECT_EQ(Installed(kClient), "client v2");
    EXPECT_EQ(Installed(kClient + ".1.bak"), "client v1");
    EXPECT_EQ(Installed(kClient + ".bak"), "the user's");
    EXPECT_EQ(Installed("d\\r.doc.bak"), "keep");
    // The next run of any form removes the dialog's backup, and nothing else.
    UpdateJob next(1, "", zeva::UpdateOptions::Silent(), &recorder);
    EXPECT_TRUE(next.RunProgramJob());
    EXPECT_FALSE(fs::exists(app / (kClient + ".1.bak")));
    EXPECT_EQ(Installed(kClient + ".bak"), "the user's");
    EXPECT_EQ(Installed("d\\r.doc.bak"), "keep");
}

TEST_F(DlgUpdateTest, FileWhoseDigestMatchesButSizeDoesNotIsRefusedAsEverywhere) {
    Configure("1.0", "330000");
    InstallOld();
    Release r = Sample();
    Publish(r);
    // The staged copy has the listed digest and the listed size is wrong for it:
    // it is neither reused nor installed.
    std::string catalog = r.MainCatalog();
    const std::string size = "SIZE=9\n";
    catalog.replace(catalog.find(size), size.size(), "SIZE=8\n");
    server.Put("/1/UpdateConfig.ini", catalog);
    zeva::test::WriteFile(app / "UPDATE" / "Program" / kClient, "client v2");
    CDlgUpdate dlg(1, "", recorder);
    Run(dlg, [&](CDlgUpdate& d) {
        EXPECT_EQ(d.NamesToFetch(), (std::vector<std::string>{kClient, "data\\a.dat"}));
        Upgrade(d);
        EXPECT_EQ(d.GetState(), State::Failed);
        EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_HEADLINE)), Acp(kUpdateError));
        EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
    });
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_EQ(recorder.replaces, 0);
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
}

TEST_F(DlgUpdateTest, WithAKeyTheDialogInstallsOnlyAVerifiedRelease) {
    Configure("1.0", "330000");
    InstallOld();
    UseKey();
    PublishSigned(Sample());
    CDlgUpdate dlg(1, "", recorder);
    Run(dlg, [&](CDlgUpdate& d) { Upgrade(d); });
    EXPECT_EQ(order.back(), State::Finished);
    EXPECT_EQ(Installed(kClient), "client v2");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    EXPECT_TRUE(syslog.Drain().empty());
}

TEST_F(DlgUpdateTest, WithAKeyAnUnverifiedCatalogIsNeverOffered) {
    Configure("1.0", "330000");
    InstallOld();
    UseKey();
    PublishSigned(Sample());
    const std::string catalog = Sample().MainCatalog();
    server.Put("/1/UpdateConfig.ini.sig", Sign(catalog + "x", releaseKey));
    CDlgUpdate dlg(1, "", recorder);
    Run(dlg, [&](CDlgUpdate& d) {
        EXPECT_EQ(d.GetState(), State::Failed);
        EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
    });
    EXPECT_EQ(seen.count(State::UpdateAvailable), 0u);
    EXPECT_EQ(seen.count(State::UpToDate), 0u);
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_EQ(recorder.replaces, 0);
    for (const std::string& p : Requests()) EXPECT_EQ(p.find("/1/" + kClient), std::string::npos);
    EXPECT_EQ(syslog.Drain().size(), 1u);
}

TEST_F(DlgUpdateTest, WithAKeyASignedReleaseWithoutEverySha256IsAFailureNotUpToDate) {
    Configure("1.0", "330000");
    InstallOld();
    UseKey();
    Release r = Sample();
    r.sha256 = true;
    std::string catalog = r.MainCatalog();
    const std::string line = "SHA256=" + zeva::test::Sha256Of("client v2") + "\n";
    catalog.erase(catalog.find(line), line.size());
    server.Put("/1/UpdateConfig.ini", catalog);
    server.Put("/1/UpdateConfig.ini.sig", Sign(catalog, releaseKey));
    PutFiles(r, "1", "");
    CDlgUpdate dlg(1, "", recorder);
    Run(dlg, [&](CDlgUpdate& d) {
        EXPECT_EQ(d.GetState(), State::Failed);
        EXPECT_EQ(d.GetDlgItemText(static_cast<int>(IDC_HEADLINE)), Acp(kUpdateError));
        EXPECT_TRUE(driver.Click(d, IDC_CLOSE));
    });
    EXPECT_EQ(seen.count(State::UpToDate), 0u);
    EXPECT_EQ(Installed(kClient), "client v1");
    const auto records = syslog.Drain();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("no SHA256 for ZEVAClient"), std::string::npos) << records[0];
}

TEST_F(DlgUpdateTest, WithAKeyAFileWhoseMd5WasForgedIsRefusedBySha256) {
    Configure("1.0", "330000");
    InstallOld();
    UseKey();
    Release r = Sample();
    // Same size as "client v2", and the catalog's MD5 names it; only the SHA256 tells.
    r.md5Override[kClient] = zeva::test::Md5Of("client vX");
    PublishSigned(r);
    server.Put("/1/" + kClient, "client vX");
    ExpectUpgradeRefusedAndNothingInstalled();
}

// The program's runs through CUpdateApp.
class UpdateAppTest : public DlgUpdateTest {
protected:
    CUpdateApp::Environment Env() {
        CUpdateApp::Environment env;
        env.host = &recorder;
        env.ensureWindows = [this] {
            ++windowRequests;
            return true;
        };
        env.prepareDialog = [this](CDlgUpdate& d) {
            Watch(d);
            dialogType = -1;
            driver.AnswerNextModal([this](CImageDialog& shown) {
                auto& u = static_cast<CDlgUpdate&>(shown);
                EXPECT_TRUE(WaitForCheck(u));
                dialogInstallDir = u.InstallDir();
                dialogStagingDir = u.StagingDir();
                if (u.GetState() == State::UpdateAvailable) Upgrade(u);
                if (!u.IsEnded()) driver.Click(u, IDC_CLOSE);
            });
        };
        return env;
    }
    int windowRequests = 0;
    int dialogType = 0;
    std::string dialogInstallDir;
    std::string dialogStagingDir;
};

TEST_F(UpdateAppTest, PluginTypeWithoutSilentOpensTheDialogOnTheMainCatalog) {
    Configure("1.0", "330000");
    Install("Folder\\tool.dll", "tool v1");
    Release r{"2.0", "330000", 0, 0, {{"tool.dll", "tool v2"}}};
    Publish(r, "2");
    CUpdateApp appObject(Env());
    EXPECT_EQ(appObject.InitInstance({"-t:2", "-d:Folder"}), 0);
    EXPECT_EQ(appObject.LastOutcome(), CUpdateApp::Outcome::Dialog);
    EXPECT_EQ(windowRequests, 1);
    EXPECT_EQ(dialogInstallDir, AppAcp() + "Folder\\");
    EXPECT_EQ(dialogStagingDir, AppAcp() + "UPDATE\\Folder\\");
    EXPECT_EQ(Requests(), (std::vector<std::string>{"/2/UpdateConfig.ini", "/2/tool.dll"}));
    EXPECT_EQ(Installed("Folder\\tool.dll"), "tool v2");
    // A plug-in run leaves the program's version alone.
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
    EXPECT_EQ(RecordSections().size(), 1u);
}

TEST_F(UpdateAppTest, PluginTypeWithoutAUsableFolderFailsWithoutAsking) {
    Configure("1.0", "330000");
    Publish(Sample(), "2");
    for (const char* folder : {"-d:", "-d:..\\x", "-d:a\\..\\..\\b"}) {
        seen.clear();
        CUpdateApp appObject(Env());
        appObject.InitInstance({"-t:2", folder});
        EXPECT_EQ(seen.count(State::Failed), 1u) << folder;
        EXPECT_EQ(seen[State::Failed].headline, Acp(kUpdateError)) << folder;
    }
    EXPECT_TRUE(Requests().empty());
    EXPECT_FALSE(fs::exists(app / "x"));
    EXPECT_FALSE(fs::exists(root / "b"));
}

TEST_F(UpdateAppTest, ShortSilentRunsTheFullEngineWithoutTheDialog) {
    Configure("1.0", "330000");
    InstallOld();
    Release r = Sample();
    r.notify = 1;
    Publish(r);
    recorder.answer = IDYES;
    CUpdateApp appObject(Env());
    appObject.InitInstance({"-t:1", "-s"});
    EXPECT_EQ(appObject.LastOutcome(), CUpdateApp::Outcome::Silent);
    EXPECT_EQ(windowRequests, 0);
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(Installed(kClient), "client v2");
    ASSERT_EQ(recorder.notifications.size(), 1u);
    EXPECT_EQ(recorder.notifications[0].oldVersion, "1.0");
    EXPECT_EQ(recorder.notifications[0].newVersion, "2.0");
    EXPECT_EQ(recorder.notifications[0].site, "http://127.0.0.1/site");
    EXPECT_EQ(recorder.closes, 1);
    EXPECT_EQ(recorder.pauses.size(), 1u);
    EXPECT_EQ(recorder.starts.size(), 1u);
    EXPECT_FALSE(fs::exists(app / "UPDATE" / "Program"));
}

TEST_F(UpdateAppTest, SilentPluginJobUsesTheFolderCatalog) {
    Configure("1.0", "330000");
    Install("plug\\tool.dll", "tool v1");
    Release r{"", "", 0, 0, {{"tool.dll", "tool v2"}}};
    PublishPlugin(r, false, "3");
    CUpdateApp appObject(Env());
    appObject.InitInstance({"-silent", "-t:3", "-d:plug"});
    EXPECT_EQ(appObject.LastOutcome(), CUpdateApp::Outcome::Silent);
    EXPECT_EQ(Installed("plug\\tool.dll"), "tool v2");
    EXPECT_TRUE(fs::exists(app / "plug" / "config.ini"));
    EXPECT_TRUE(recorder.starts.empty());
}

TEST_F(UpdateAppTest, SecondCopyExitsAtOnceWithoutAWindow) {
    Configure("1.0", "330000");
    Publish(Sample());
    auto first = zeva::NamedMutex::Create(kInstanceMutex);
    ASSERT_FALSE(first->AlreadyExists());
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"-silent"}}) {
        CUpdateApp appObject(Env());
        EXPECT_EQ(appObject.InitInstance(args), 0);
        EXPECT_EQ(appObject.LastOutcome(), CUpdateApp::Outcome::AlreadyRunning);
    }
    EXPECT_EQ(windowRequests, 0);
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(zeva::ui::TopLevelWindows().empty());
    // Once the first copy ends, the next one runs.
    first.reset();
    CUpdateApp appObject(Env());
    appObject.InitInstance({"-s"});
    EXPECT_EQ(appObject.LastOutcome(), CUpdateApp::Outcome::Silent);
}

// With a key, both modes refuse an older signed release (whatever its flags),
// a replayed catalog older than the one installed last, an expired one, and
// every catalog when the configured key is the all-zero placeholder (which a
// forged signature would otherwise satisfy for about half of all catalogs).
TEST_F(UpdateAppTest, SignedRollbackReplayExpiryAndPlaceholderKeyAreRefusedInBothModes) {
    // The name the fixture's signed installation uses on every system.
    const std::string kInstalledByTheFixture = "ZEVAClient";
    struct Case {
        const char* what;
        Release release;
        std::string keys;
        bool forge;
        const char* reason;
    };
    auto release = [&](const char* version, int unconditional, const char* sequence,
                       const char* expires) {
        Release r{version,
                  "330000",
                  unconditional,
                  0,
                  {{kInstalledByTheFixture, "client old or forged"}}};
        r.sequence = sequence;
        r.expires = expires;
        return r;
    };
    const std::vector<Case> cases = {
        {"older release, UNCONDITIONALUPDATE=1", release("1.0", 1, "500", ""), "%", false,
         "VERSION 1.0 is older than the installed 2.0"},
        {"replayed older catalog", release("3.0", 0, "200", ""), "%", false,
         "SEQUENCE 200 is lower than 300"},
        {"expired catalog", release("3.0", 0, "400", "1000000000"), "%", false, "expired at"},
        {"placeholder key, forged signature", release("3.0", 0, "400", ""), "", true,
         "small order"},
    };
    for (const Case& c : cases) {
        for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"-silent"}}) {
            const bool silent = !args.empty();
            SCOPED_TRACE(std::string(c.what) + (silent ? ", -silent" : ", dialog"));
            InstalledAndPublished(c.release, c.keys, c.forge);
            seen.clear();
            recorder.replaces = 0;
            syslog.Drain();
            CUpdateApp appObject(Env());
            appObject.InitInstance(args);
            EXPECT_EQ(Installed(kInstalledByTheFixture), "client v2");
            EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
            EXPECT_EQ(recorder.replaces, 0);
            const auto records = syslog.Drain();
            ASSERT_EQ(records.size(), 1u);
            EXPECT_NE(records[0].find(c.reason), std::string::npos) << records[0];
            if (!silent) {
                EXPECT_EQ(seen.count(State::UpdateAvailable), 0u);
                ASSERT_EQ(seen.count(State::Failed), 1u);
                EXPECT_EQ(seen[State::Failed].headline, Acp(kUpdateError));
            }
        }
    }
    // A newer catalog installs in the dialog and raises the bar to its sequence.
    UseKey();
    PublishSigned(release("3.0", 0, "400", "4000000000"));
    CUpdateApp appObject(Env());
    appObject.InitInstance({});
    EXPECT_NE(Installed(kInstalledByTheFixture), "client v2");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "3.0");
    EXPECT_EQ(ConfigValue(keys::kSectionCatalogSequence, keys::kKeyProgramJob), "400");
}

}  // namespace
