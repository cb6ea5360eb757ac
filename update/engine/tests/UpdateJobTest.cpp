#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "FileInstaller.h"
#include "UpdateFixture.h"
#include "UpdateJob.h"
#include "platform/AppPath.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using zeva::test::Fault;
using zeva::test::Release;

namespace {

// The client the engine starts again after an update: "ZEVAClient.exe" on Windows.
const std::string kClient = zeva::kClientExecutable;

std::string TodaySection() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

bool Requested(const std::vector<std::string>& requests, const std::string& path) {
    return std::find(requests.begin(), requests.end(), path) != requests.end();
}

class UpdateJobTest : public zeva::test::UpdateFixture {
protected:
    Release Sample() const {
        return Release{
            "2.0",
            "330000",
            0,
            1,
            {{kClient, "client v2"}, {"plug\\tool.dll", "tool v2"}, {"readme.txt", "same"}}};
    }
    void InstallOld() {
        Install(kClient, "client v1");
        Install("plug\\tool.dll", "tool v1");
        Install("readme.txt", "same");
    }
    std::string Record(const char* key) const {
        CCryptConfigFile record(AppAcp() + keys::kUpdateRecordDat, "");
        std::string v;
        record.ReadString(TodaySection(), key, "", v);
        return v;
    }
};

TEST_F(UpdateJobTest, FullFormInstallsChangedFilesRecordsAndRestarts) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    auto key = zeva::RegistryKey::Create(zeva::RegistryHive::LocalMachine, "SOFTWARE\\Pelmo");
    ASSERT_TRUE(key);
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    EXPECT_EQ(job.stagingDir(), AppAcp() + "UPDATE\\Program\\");
    ASSERT_TRUE(job.RunProgramJob());

    EXPECT_EQ(Installed(kClient), "client v2");
    EXPECT_EQ(Installed("plug\\tool.dll"), "tool v2");
    EXPECT_FALSE(Requested(Requests(), "/1/readme.txt")) << "a current file is not fetched";
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
    EXPECT_EQ(Record(keys::kKeyNewVersion), "2.0");
    EXPECT_EQ(Record(keys::kKeyOldVersion), "1.0");
    EXPECT_EQ(Record(keys::kKeyIsSucceed), "1");
    EXPECT_EQ(key->QueryString("Version"), "2.0");
    EXPECT_EQ(key->QueryString("InstallPath"), AppAcp());
    ASSERT_EQ(host.notifications.size(), 1u);
    EXPECT_EQ(host.notifications[0].oldVersion, "1.0");
    EXPECT_EQ(host.notifications[0].newVersion, "2.0");
    EXPECT_EQ(host.notifications[0].site, "http://127.0.0.1/site");
    EXPECT_EQ(host.closes, 1);
    ASSERT_EQ(host.starts.size(), 1u);
    EXPECT_EQ(host.starts[0].program, app / kClient);
    EXPECT_EQ(host.starts[0].parameters, "");
    EXPECT_EQ(host.pauses, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(5000)});
    EXPECT_FALSE(fs::exists(app / "UPDATE" / "Program"));
}

TEST_F(UpdateJobTest, AbsentRegistryKeyIsNotCreatedAndNoAnswerLeavesClientRunning) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    host.answer = 7;
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    ASSERT_TRUE(job.RunProgramJob());
    EXPECT_FALSE(zeva::RegistryKey::Open(zeva::RegistryHive::LocalMachine, "SOFTWARE\\Pelmo"));
    EXPECT_EQ(Installed(kClient), "client v2");
    EXPECT_EQ(host.notifications.size(), 1u);
    EXPECT_EQ(host.closes, 0);
    EXPECT_EQ(host.starts.size(), 1u);
}

TEST_F(UpdateJobTest, RegionChangeUpdatesInFullFormOnlyAndNotifiesWithoutFlag) {
    Release r = Sample();
    r.version = "1.0";
    r.notify = 0;
    {
        SCOPED_TRACE("silent form");
        Configure("1.0", "110000");
        InstallOld();
        Publish(r);
        UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
        ASSERT_TRUE(job.RunProgramJob());
        EXPECT_EQ(Requests(), std::vector<std::string>{"/1/UpdateConfig.ini"});
        EXPECT_EQ(Installed(kClient), "client v1");
        EXPECT_TRUE(host.starts.empty());
    }
    {
        SCOPED_TRACE("full form");
        UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
        ASSERT_TRUE(job.RunProgramJob());
        EXPECT_EQ(Installed(kClient), "client v2");
        EXPECT_EQ(host.notifications.size(), 1u);
        EXPECT_EQ(host.starts.size(), 1u);
    }
}

TEST_F(UpdateJobTest, OlderSortingVersionChangesNothing) {
    Configure("1.9", "330000");
    InstallOld();
    Release r = Sample();
    r.version = "1.10";
    Publish(r);
    for (auto options : {zeva::UpdateOptions::Full(), zeva::UpdateOptions::Silent()}) {
        UpdateJob job(1, "Program", options, &host);
        ASSERT_TRUE(job.RunProgramJob());
    }
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.9");
    EXPECT_TRUE(host.starts.empty());
    EXPECT_TRUE(host.notifications.empty());
}

TEST_F(UpdateJobTest, EmptyFileListWithNewerVersion) {
    Configure("1.0", "330000");
    InstallOld();
    Release r = Sample();
    r.files.clear();
    Publish(r);
    {
        SCOPED_TRACE("full form: no change, no record, no restart");
        UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
        ASSERT_TRUE(job.RunProgramJob());
        EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
        EXPECT_FALSE(fs::exists(app / keys::kUpdateRecordDat));
        EXPECT_TRUE(host.starts.empty());
    }
    {
        SCOPED_TRACE("silent form: new version and restart with -AutoRun");
        UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
        ASSERT_TRUE(job.RunProgramJob());
        EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
        ASSERT_EQ(host.starts.size(), 1u);
        EXPECT_EQ(host.starts[0].parameters, "-AutoRun");
        EXPECT_FALSE(fs::exists(app / keys::kUpdateRecordDat));
        EXPECT_TRUE(host.notifications.empty());
        EXPECT_FALSE(fs::exists(app / "UPDATE"));
    }
}

TEST_F(UpdateJobTest, RerunAfterInterruptedDownloadFetchesOnlyWhatIsMissing) {
    Configure("1.0", "330000");
    Release r{"2.0", "330000", 0, 0, {{"a.bin", "A2"}, {"b.bin", "B2"}, {"c.bin", "C2"}}};
    Publish(r);
    // What an earlier run left: one good staged copy, one damaged.
    zeva::test::WriteFile(app / "UPDATE/Program/a.bin", "A2");
    zeva::test::WriteFile(app / "UPDATE/Program/b.bin", "B");
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    ASSERT_TRUE(job.RunProgramJob());
    EXPECT_EQ(Requests(),
              (std::vector<std::string>{"/1/UpdateConfig.ini", "/1/b.bin", "/1/c.bin"}));
    EXPECT_EQ(Installed("a.bin"), "A2");
    EXPECT_EQ(Installed("b.bin"), "B2");
    EXPECT_EQ(Installed("c.bin"), "C2");
}

TEST_F(UpdateJobTest, FailedOrCorruptedFileDownloadInstallsNothingInEveryForm) {
    for (const Fault fault : {Fault::NotFound, Fault::CutMidway, Fault::None}) {
        for (auto options : {zeva::UpdateOptions::Full(), zeva::UpdateOptions::Silent()}) {
            SCOPED_TRACE(static_cast<int>(fault));
            Configure("1.0", "330000");
            InstallOld();
            Publish(Sample());
            if (fault == Fault::None) {
                server.Put("/1/plug/tool.dll", "tool v2 but tampered with");
            } else {
                server.Put("/1/plug/tool.dll", std::string(100000, 't'));
                server.SetFault("/1/plug/tool.dll", fault);
            }
            UpdateJob job(1, "Program", options, &host);
            ASSERT_TRUE(job.RunProgramJob());
            EXPECT_EQ(Installed(kClient), "client v1");
            EXPECT_EQ(Installed("plug\\tool.dll"), "tool v1");
            EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
            EXPECT_FALSE(fs::exists(zeva::NativePath(job.stagingDir())));
            EXPECT_TRUE(host.starts.empty());
            server.ClearFaults();
        }
    }
}

TEST_F(UpdateJobTest, StalledFileDownloadInstallsNothing) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    server.Put("/1/plug/tool.dll", std::string(100000, 't'));
    server.SetFault("/1/plug/tool.dll", Fault::Stall);
    UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
    job.downloader().SetTransferLimits({2000, 1024, 1});
    ASSERT_TRUE(job.RunProgramJob());
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
    EXPECT_FALSE(fs::exists(app / "UPDATE"));
    EXPECT_TRUE(host.starts.empty());
}

TEST_F(UpdateJobTest, FailedCatalogDownloadLeavesStagingAndIsNeverEvaluated) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    // A complete catalog of an earlier run is still staged; this run's copy is cut off.
    zeva::test::WriteFile(app / "UPDATE/Program/UpdateConfig.ini", Sample().MainCatalog());
    zeva::test::WriteFile(app / "UPDATE" / "Program" / kClient, "client v2");
    server.Put("/1/UpdateConfig.ini", Sample().MainCatalog() + std::string(50000, '#'));
    server.SetFault("/1/UpdateConfig.ini", Fault::CutMidway);
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    EXPECT_FALSE(job.RunProgramJob());
    EXPECT_EQ(Installed(kClient), "client v1");
    EXPECT_EQ(zeva::test::ReadFile(app / "UPDATE" / "Program" / kClient), "client v2");
    EXPECT_EQ(Requests(), std::vector<std::string>{"/1/UpdateConfig.ini"});
}

TEST_F(UpdateJobTest, TraversalEntriesAreNeverFetchedOrWritten) {
    Configure("1.0", "330000");
    Release r{
        "2.0",
        "330000",
        0,
        0,
        {{"..\\outside.txt", "evil"}, {"ok.txt", "fine"}, {"sub\\..\\..\\outside2.txt", "evil"}}};
    Publish(r);
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    ASSERT_TRUE(job.RunProgramJob());
    EXPECT_EQ(Installed("ok.txt"), "fine");
    EXPECT_FALSE(fs::exists(root / "outside.txt"));
    EXPECT_FALSE(fs::exists(root / "outside2.txt"));
    EXPECT_FALSE(fs::exists(app / "UPDATE/outside.txt"));
    EXPECT_EQ(Requests(), (std::vector<std::string>{"/1/UpdateConfig.ini", "/1/ok.txt"}));
    EXPECT_FALSE(job.DownloadFiles({"..\\outside.txt"}));
}

TEST_F(UpdateJobTest, BusyTargetIsReplacedAndItsBackupRemovedNextRun) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    host.busy.insert(kClient);
    {
        UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
        ASSERT_TRUE(job.RunProgramJob());
    }
    EXPECT_EQ(Installed(kClient), "client v2");
    EXPECT_EQ(Installed(kClient + ".bak"), "client v1");
    EXPECT_TRUE(fs::exists(app / "UPDATE/Program" / zeva::kInstallJournalName))
        << "the journal naming the backup outlives the staging folder";
    UpdateJob next(1, "Program", zeva::UpdateOptions::Full(), &host);
    ASSERT_TRUE(next.RunProgramJob());
    EXPECT_FALSE(fs::exists(app / (kClient + ".bak")));
    EXPECT_FALSE(fs::exists(app / "UPDATE/Program"));
}

TEST_F(UpdateJobTest, BackupOfABusyFileNeverTakesTheNameOfAUsersFile) {
    Configure("1.0", "330000");
    InstallOld();
    Install(kClient + ".bak", "the user's copy");
    Publish(Sample());
    host.busy.insert(kClient);
    for (auto options : {zeva::UpdateOptions::Full(), zeva::UpdateOptions::Silent()}) {
        Configure("1.0", "330000");
        Install(kClient, "client v1");
        UpdateJob job(1, "Program", options, &host);
        ASSERT_TRUE(job.RunProgramJob());
        EXPECT_EQ(Installed(kClient), "client v2");
        EXPECT_EQ(Installed(kClient + ".1.bak"), "client v1");
    }
    // The next run of either form removes its backups, whichever form made them.
    UpdateJob next(1, "", zeva::UpdateOptions::Silent(), &host);
    ASSERT_TRUE(next.RunProgramJob());
    EXPECT_FALSE(fs::exists(app / (kClient + ".1.bak")));
    EXPECT_EQ(Installed(kClient + ".bak"), "the user's copy");
    EXPECT_FALSE(fs::exists(app / "UPDATE"));
}

TEST_F(UpdateJobTest, FileThatCannotBeReplacedKeepsOldFileAndVersion) {
    Configure("1.0", "330000");
    InstallOld();
    Publish(Sample());
    host.alwaysBusy.insert("tool.dll");
    UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
    ASSERT_TRUE(job.RunProgramJob());
    EXPECT_EQ(Installed("plug\\tool.dll"), "tool v1");
    EXPECT_EQ(Installed(kClient), "client v2");
    EXPECT_FALSE(fs::exists(app / "plug/tool.dll.bak"));
    // The next run must still see an update due and finish the job.
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
}

TEST_F(UpdateJobTest, SecondaryServerServesWhenPrimaryIsDown) {
    Configure("1.0", "330000");
    {
        CCryptConfigFile config(AppAcp() + keys::kConfigDat, "");
        config.WriteInteger(keys::kSectionUpdate, keys::kKeyServerPort,
                            zeva::test::ClosedLoopbackPort());
        config.WriteString(keys::kSectionUpdate, keys::kKeyServerIP2, "127.0.0.1");
        config.WriteInteger(keys::kSectionUpdate, keys::kKeyServerPort2, server.port());
    }
    InstallOld();
    Publish(Sample());
    UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
    ASSERT_EQ(job.servers().size(), 2u);
    ASSERT_TRUE(job.RunProgramJob());
    EXPECT_EQ(Installed(kClient), "client v2");
}

TEST_F(UpdateJobTest, ServerListFollowsTheForm) {
    CCryptConfigFile config(AppAcp() + keys::kConfigDat, "");
    config.WriteString(keys::kSectionUpdate, keys::kKeyServerIP, "localhost");
    config.WriteInteger(keys::kSectionUpdate, keys::kKeyServerPort, 65536 + 80);
    auto full = zeva::ReadUpdateServers(AppAcp(), zeva::UpdateOptions::Full());
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].address, "127.0.0.1");
    EXPECT_EQ(full[0].port, 80);
    auto silent = zeva::ReadUpdateServers(AppAcp(), zeva::UpdateOptions::Silent());
    ASSERT_EQ(silent.size(), 2u);
    EXPECT_EQ(silent[0].address, "localhost");
    EXPECT_EQ(silent[1].address, "");
    config.WriteString(keys::kSectionUpdate, keys::kKeyServerIP2, "127.0.0.2");
    EXPECT_EQ(zeva::ReadUpdateServers(AppAcp(), zeva::UpdateOptions::Full()).size(), 2u);
    EXPECT_EQ(zeva::ReadUpdateServers(AppAcp(), zeva::UpdateOptions::Toolbox("x/")).size(), 2u);
    EXPECT_EQ(zeva::NormaliseServerAddress("10.1.2.3"), "10.1.2.3");
    EXPECT_EQ(zeva::NormaliseServerAddress(""), "");
}

TEST_F(UpdateJobTest, LocalSettingsAndProxyFlagAreReadAtConstruction) {
    {
        UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
        EXPECT_TRUE(job.useProxy()) << "UseProxy defaults to 1";
        EXPECT_EQ(job.localVersion(), "");
        EXPECT_EQ(job.catalogName(), "UpdateConfig.ini");
    }
    Configure("1.2", "330100");
    UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
    EXPECT_FALSE(job.useProxy());
    EXPECT_EQ(job.localVersion(), "1.2");
    EXPECT_EQ(job.localRegion(), "330100");
    EXPECT_EQ(job.installDir(), AppAcp());
    EXPECT_EQ(job.stagingDir(), AppAcp() + "UPDATE\\");
}

TEST_F(UpdateJobTest, PluginJobInstallsFilesAndCatalog) {
    Configure("1.0", "330000");
    Install("plug\\old.dll", "old v1");
    Install("plug\\keep.dll", "keep");
    Release r{"", "", 0, 0, {{"old.dll", "old v2"}, {"keep.dll", "keep"}, {"new\\n.dll", "n"}}};
    PublishPlugin(r, false, "5");
    UpdateJob job(5, "plug", zeva::UpdateOptions::Full(), &host);
    EXPECT_EQ(job.installDir(), AppAcp() + "plug\\");
    EXPECT_EQ(job.stagingDir(), AppAcp() + "UPDATE\\plug\\");
    ASSERT_TRUE(job.RunPluginJob());
    EXPECT_EQ(Installed("plug\\old.dll"), "old v2");
    EXPECT_EQ(Installed("plug\\new\\n.dll"), "n");
    EXPECT_EQ(Installed("plug\\config.ini"), r.PluginCatalog(false));
    EXPECT_FALSE(Requested(Requests(), "/5/keep.dll"));
    EXPECT_TRUE(host.starts.empty());
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
    EXPECT_FALSE(fs::exists(app / "UPDATE/plug"));
}

TEST_F(UpdateJobTest, ToolboxFormUsesRemoteFolderAndFilesSection) {
    Configure("1.0", "330000");
    Install("ProvincePlug\\a.dll", "a1");
    Install("ProvincePlug\\a.dll.bak", "stale");
    Release r{"", "", 0, 0, {{"a.dll", "a2"}, {"ProvincePlugConfig.dat", "catalogue"}}};
    PublishPlugin(r, true, "1", "zj/");
    server.Put("/1/zj/a.dll", "a2");
    UpdateJob job(1, "ProvincePlug", zeva::UpdateOptions::Toolbox("zj/"), &host);
    ASSERT_TRUE(job.RunPluginJob());
    EXPECT_EQ(Installed("ProvincePlug\\a.dll"), "a2");
    EXPECT_EQ(Installed("ProvincePlug\\ProvincePlugConfig.dat"), "catalogue");
    // Not made by the updater: not the updater's to delete.
    EXPECT_EQ(Installed("ProvincePlug\\a.dll.bak"), "stale");
    EXPECT_TRUE(Requested(Requests(), "/1/zj/config.ini"));
    EXPECT_TRUE(host.starts.empty());
}

TEST_F(UpdateJobTest, PluginJobWithFailedDownloadInstallsNothingButCleansStaging) {
    Configure("1.0", "330000");
    Install("plug\\old.dll", "old v1");
    Release r{"", "", 0, 0, {{"old.dll", "old v2"}}};
    PublishPlugin(r, false, "5");
    server.SetFault("/5/old.dll", Fault::NotFound);
    UpdateJob job(5, "plug", zeva::UpdateOptions::Full(), &host);
    ASSERT_TRUE(job.RunPluginJob());
    EXPECT_EQ(Installed("plug\\old.dll"), "old v1");
    EXPECT_FALSE(fs::exists(app / "plug/config.ini"));
    EXPECT_FALSE(fs::exists(app / "UPDATE/plug"));
    UpdateJob bad(5, "..\\x", zeva::UpdateOptions::Full(), &host);
    EXPECT_FALSE(bad.RunPluginJob());
}

TEST_F(UpdateJobTest, FileLongerThanItsCatalogSizeIsCutOffAndNotInstalled) {
    for (auto options : {zeva::UpdateOptions::Full(), zeva::UpdateOptions::Silent()}) {
        Configure("1.0", "330000");
        InstallOld();
        Publish(Sample());
        // "tool v2" is 7 bytes in the catalog; the server streams megabytes.
        const std::string flood(8u << 20, 'f');
        server.Put("/1/plug/tool.dll", flood);
        server.ClearRequests();
        UpdateJob job(1, "Program", options, &host);
        ASSERT_TRUE(job.RunProgramJob());
        EXPECT_EQ(Installed("plug\\tool.dll"), "tool v1");
        EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
        EXPECT_LT(server.BytesServed("/1/plug/tool.dll"), flood.size() / 2);
        EXPECT_FALSE(fs::exists(zeva::NativePath(job.stagingDir())));
    }
}

TEST_F(UpdateJobTest, ContinuedFileWithDamagedKeptPartIsFetchedAgainWhole) {
    Configure("1.0", "330000");
    const std::string big(200000, 'B');
    Release r{"2.0", "330000", 0, 0, {{"big.bin", big}}};
    Publish(r);
    // An earlier run was killed mid-file; what it kept is not the file's beginning.
    zeva::test::WriteFile(app / "UPDATE/big.bin.part", std::string(50000, 'x'));
    UpdateJob job(1, "", zeva::UpdateOptions::Silent(), &host);
    ASSERT_TRUE(job.RunProgramJob());
    EXPECT_TRUE(Installed("big.bin") == big);
    EXPECT_EQ(server.Ranges(), (std::vector<std::string>{"", "bytes=50000-", ""}));
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "2.0");
}

TEST_F(UpdateJobTest, FileCutMidwayIsContinuedAndOnlyTheRestFetched) {
    Configure("1.0", "330000");
    const std::string big(300000, 'C');
    Release r{"2.0", "330000", 0, 0, {{"big.bin", big}}};
    Publish(r);
    server.SetFault("/1/big.bin", Fault::CutOnceMidway);
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    ASSERT_TRUE(job.RunProgramJob());
    EXPECT_TRUE(Installed("big.bin") == big);
    EXPECT_EQ(server.Ranges(), (std::vector<std::string>{"", "", "bytes=150000-"}));
    EXPECT_EQ(server.BytesServed("/1/big.bin"), big.size());
}

TEST_F(UpdateJobTest, CatalogThatDoesNotMatchWhatArrivesIsRefusedInEveryForm) {
    // The digest of the served file is right, its listed size is not: one rule for every form.
    struct Form {
        const char* what;
        zeva::UpdateOptions options;
    };
    for (const Form& form : {Form{"full", zeva::UpdateOptions::Full()},
                             Form{"silent", zeva::UpdateOptions::Silent()}}) {
        for (const char* size : {"SIZE=8\n", "SIZE=10\n", "SIZE=\n", "SIZE=9x\n", "SIZE=-9\n"}) {
            SCOPED_TRACE(std::string(form.what) + " " + size);
            Configure("1.0", "330000");
            InstallOld();
            Publish(Sample());
            std::string catalog = Sample().MainCatalog();
            const std::string listed = "SIZE=9\n";  // "client v2"
            catalog.replace(catalog.find(listed), listed.size(), size);
            server.Put("/1/UpdateConfig.ini", catalog);
            UpdateJob job(1, "Program", form.options, &host);
            ASSERT_TRUE(job.RunProgramJob());
            EXPECT_EQ(Installed(kClient), "client v1");
            EXPECT_EQ(Installed("plug\\tool.dll"), "tool v1");
            EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
            EXPECT_TRUE(host.starts.empty());
        }
    }
    // A staged copy with the right digest but another size is fetched again, not reused.
    Configure("1.0", "330000");
    Publish(Sample());
    server.ClearRequests();
    zeva::test::WriteFile(app / "UPDATE/Program/readme.txt", "same");
    zeva::test::WriteFile(app / "UPDATE" / "Program" / kClient, "client v2");
    UpdateJob job(1, "Program", zeva::UpdateOptions::Full(), &host);
    std::vector<UpdateFileEntry> entries = {{kClient, "", "9", zeva::test::Md5Of("client v2"), ""},
                                            {"readme.txt", "", "5", zeva::test::Md5Of("same"), ""}};
    const auto toFetch = job.EntriesToFetch(entries);
    ASSERT_EQ(toFetch.size(), 1u);
    EXPECT_EQ(toFetch[0].name, "readme.txt");
}

TEST_F(UpdateJobTest, FolderNamedByTheCatalogIsNeverReplacedByAFile) {
    Release r = Sample();
    r.files.emplace_back("sub", "a file where a folder is");
    r.files.emplace_back("plug", "a file where the plug-in folder is");
    for (auto options : {zeva::UpdateOptions::Full(), zeva::UpdateOptions::Silent()}) {
        Configure("1.0", "330000");
        InstallOld();
        Install("sub\\inside.txt", "the user's");
        Publish(r);
        server.ClearRequests();
        UpdateJob job(1, "Program", options, &host);
        ASSERT_TRUE(job.RunProgramJob());
        EXPECT_TRUE(fs::is_directory(app / "sub"));
        EXPECT_EQ(Installed("sub\\inside.txt"), "the user's");
        EXPECT_FALSE(fs::exists(app / "sub.bak"));
        EXPECT_FALSE(fs::exists(app / "plug.bak"));
        EXPECT_EQ(Installed("plug\\tool.dll"), "tool v2");
        EXPECT_EQ(Installed(kClient), "client v2");
        EXPECT_FALSE(Requested(Requests(), "/1/sub"));
    }
    // The installer itself refuses too, whatever the catalog said.
    zeva::test::WriteFile(app / "UPDATE/staged", "file");
    zeva::InstallJournal journal(app, app / "UPDATE" / zeva::kInstallJournalName);
    EXPECT_EQ(zeva::InstallFile(app / "UPDATE/staged", app / "sub", host, journal),
              zeva::InstallResult::Failed);
    EXPECT_EQ(Installed("sub\\inside.txt"), "the user's");
}

}  // namespace
