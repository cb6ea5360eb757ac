// The regional plug-in update against an update server on loopback: what
// it reads, which servers it talks to (names resolved by a fake, never by
// the system), what it installs, and what it leaves alone.

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

// The message layer's names before windows.h, which the test server's header brings.
#include "PlugContract.h"
#include "PluginLibrary.h"
#include "UpdateFixture.h"
#include "UpdatePlugThread.h"

namespace fs = std::filesystem;
namespace keys = zeva::cfgkeys;
using namespace zeva::test;

namespace {

// The toolbox loaded as the host loads it, without opening its page: PlugInit
// and PlugUnInit, then (as the host does before unloading) the unload hook.
class LoadedToolbox {
public:
    explicit LoadedToolbox(const std::string& path) : library_(OpenPluginLibrary(path, error_)) {}
    ~LoadedToolbox() {
        if (!library_) return;
        UnInit();
        if (auto unload =
                reinterpret_cast<void (*)()>(PluginSymbol(library_, zeva::plug::kPlugUnload)))
            unload();
        ClosePluginLibrary(library_);
    }
    LoadedToolbox(const LoadedToolbox&) = delete;
    LoadedToolbox& operator=(const LoadedToolbox&) = delete;
    bool Loaded() const { return library_ != nullptr; }
    const std::string& Error() const { return error_; }
    bool Init() {
        auto init = reinterpret_cast<PlugInitFn>(PluginSymbol(library_, zeva::plug::kPlugInit));
        return init && init();
    }
    bool UnInit() {
        auto uninit =
            reinterpret_cast<PlugUnInitFn>(PluginSymbol(library_, zeva::plug::kPlugUnInit));
        return uninit && uninit();
    }

private:
    std::string error_;
    void* library_ = nullptr;
};

// Answers from a table and records every name it is asked for.
class FakeResolver {
public:
    explicit FakeResolver(std::map<std::string, std::string> answers)
        : answers_(std::move(answers)) {}
    HostNameResolver Function() {
        return [this](const std::string& name) {
            std::lock_guard<std::mutex> hold(lock_);
            asked_.push_back(name);
            const auto it = answers_.find(name);
            return it == answers_.end() ? std::string() : it->second;
        };
    }
    std::vector<std::string> Asked() {
        std::lock_guard<std::mutex> hold(lock_);
        return asked_;
    }

private:
    std::map<std::string, std::string> answers_;
    std::mutex lock_;
    std::vector<std::string> asked_;
};

bool Requested(const std::vector<std::string>& requests, const std::string& path) {
    return std::find(requests.begin(), requests.end(), path) != requests.end();
}

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class UpdatePlugThreadTest : public UpdateFixture {
protected:
    FakeResolver resolver{{{"update.example", "127.0.0.1"}}};

    void SetServiceDir(const std::string& dir) {
        CCryptConfigFile user(AppAcp() + keys::kUserConfigDat, "");
        user.WriteString(keys::kSectionServer, keys::kKeyUpdateServiceDir, dir);
    }
    void SetServers(const std::string& first, int port1, const std::string& second, int port2) {
        CCryptConfigFile config(AppAcp() + keys::kConfigDat, "");
        config.WriteString(keys::kSectionUpdate, keys::kKeyServerIP, first);
        config.WriteInteger(keys::kSectionUpdate, keys::kKeyServerPort, port1);
        config.WriteString(keys::kSectionUpdate, keys::kKeyServerIP2, second);
        config.WriteInteger(keys::kSectionUpdate, keys::kKeyServerPort2, port2);
    }
    // One run to its end, as PlugInit starts it (but owned here, to be waited for).
    void RunUpdate() {
        CUpdatePlugThread thread(resolver.Function());
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(WaitFor([&] { return !thread.IsRunning(); }));
    }
    // Every file below the test's root that is not in the application directory.
    std::vector<fs::path> FilesOutsideApp() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::recursive_directory_iterator(root.path())) {
            const auto rel = fs::relative(e.path(), app);
            if (!rel.empty() && *rel.begin() == "..") out.push_back(e.path());
        }
        return out;
    }
};

TEST_F(UpdatePlugThreadTest, WithoutARemoteFolderNothingIsRequestedAtAll) {
    Configure("1.0", "330000");
    SetServers("update.example", server.port(), "", 0);
    PublishPlugin(Release{"", "", 0, 0, {{"a.so", "a2"}}}, true, "1", "zj/");
    RunUpdate();
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(resolver.Asked().empty()) << "not even a name look-up";
    EXPECT_FALSE(fs::exists(app / "UPDATE"));
}

TEST_F(UpdatePlugThreadTest, ServerListResolvesNamesKeepsTheFirstAndDropsAnEmptySecond) {
    struct Case {
        const char* first;
        const char* second;
        std::vector<std::string> addresses;
    };
    const Case cases[] = {
        {"update.example", "", {"127.0.0.1"}},
        {"10.1.2.3", "update.example", {"10.1.2.3", "127.0.0.1"}},
        {"nowhere.example", "", {""}},
        {"nowhere.example", "10.9.9.9", {"", "10.9.9.9"}},
        {"10.1.2.3", "nowhere.example", {"10.1.2.3"}},
        {"", "", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " / " + c.second);
        SetServers(c.first, 65536 + 8080, c.second, 81);
        CUpdatePlugThread thread(resolver.Function());
        const auto servers = thread.Servers();
        std::vector<std::string> addresses;
        for (const auto& s : servers) addresses.push_back(s.address);
        EXPECT_EQ(addresses, c.addresses);
        EXPECT_EQ(servers[0].port, 8080) << "ports are 16-bit";
    }
    for (const std::string& name : resolver.Asked())
        EXPECT_NE(name.find(".example"), std::string::npos);
}

TEST_F(UpdatePlugThreadTest, AnUnresolvableFirstServerLeavesTheSecondToServeTheUpdate) {
    Configure("1.0", "330000");
    SetServers("nowhere.example", server.port(), "update.example", server.port());
    SetServiceDir("zj/");
    Install("ProvincePlug\\a.so", "a1");
    PublishPlugin(Release{"", "", 0, 0, {{"a.so", "a2"}}}, true, "1", "zj/");
    RunUpdate();
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a2");
    EXPECT_EQ(resolver.Asked(), (std::vector<std::string>{"nowhere.example", "update.example"}));
}

TEST_F(UpdatePlugThreadTest, ChangedAndNewFilesAreInstalledUnderTheRegionalFolderAndNothingElse) {
    Configure("1.0", "330000");
    SetServiceDir("zj/");
    Install("ProvincePlug\\a.so", "a1");
    Install("ProvincePlug\\same.so", "same");
    const Release r{"",
                    "",
                    0,
                    0,
                    {{"a.so", "a2"},
                     {"same.so", "same"},
                     {"new\\b.so", "b"},
                     {"ProvincePlugConfig.dat", "catalogue v2"}}};
    PublishPlugin(r, true, "1", "zj/");
    RunUpdate();
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a2");
    EXPECT_EQ(Installed("ProvincePlug\\new\\b.so"), "b");
    EXPECT_EQ(Installed("ProvincePlug\\ProvincePlugConfig.dat"), "catalogue v2");
    EXPECT_EQ(Installed("ProvincePlug\\config.ini"), r.PluginCatalog(true));
    EXPECT_FALSE(fs::exists(app / "UPDATE/ProvincePlug")) << "staging removed";
    EXPECT_TRUE(Requested(Requests(), "/1/zj/config.ini"));
    EXPECT_TRUE(Requested(Requests(), "/1/zj/new/b.so"));
    EXPECT_FALSE(Requested(Requests(), "/1/zj/same.so")) << "an unchanged file is not fetched";
    // No version, record, registry value, notification or restart.
    EXPECT_EQ(ConfigValue(keys::kSectionUpdate, keys::kKeyVersion), "1.0");
    EXPECT_FALSE(fs::exists(app / keys::kUpdateRecordDat));
    EXPECT_TRUE(FilesOutsideApp().empty());
}

// With a key, the catalog installed in the regional folder is the bar: an
// older signed "config.ini" (with its older plug-ins) is refused, as are an
// expired one and every catalog while the key is the all-zero placeholder.
TEST_F(UpdatePlugThreadTest, WithAKeyOlderExpiredAndForgedRegionalCatalogsAreRefused) {
    Configure("1.0", "330000");
    SetServers("update.example", server.port(), "", 0);
    SetServiceDir("zj/");
    UseKey();
    Install("ProvincePlug\\a.so", "a1");
    auto release = [](const char* content, const char* sequence, const char* expires) {
        Release r{"", "", 0, 0, {{"a.so", content}, {"ProvincePlugConfig.dat", content}}};
        r.sequence = sequence;
        r.expires = expires;
        return r;
    };
    PublishPluginSigned(release("a3", "300", ""), true, "1", "zj/");
    RunUpdate();
    ASSERT_EQ(Installed("ProvincePlug\\a.so"), "a3");
    ASSERT_NE(Installed("ProvincePlug\\config.ini").find("SEQUENCE=300"), std::string::npos);
    const std::string installedCatalog = Installed("ProvincePlug\\config.ini");
    EXPECT_TRUE(syslog.Drain().empty());

    struct Case {
        const char* what;
        Release release;
        std::string keys;
        bool forge;
        const char* reason;
    };
    for (const Case& c : {
             Case{"replayed older catalog", release("a2", "200", ""), "%", false,
                  "SEQUENCE 200 is lower than 300"},
             Case{"older catalog from before sequences", release("a2", "", ""), "%", false,
                  "SEQUENCE 0 is lower than 300"},
             Case{"expired catalog", release("a4", "400", "1000000000"), "%", false, "expired at"},
             Case{"placeholder key, forged signature", release("a4", "400", ""), "", true,
                  "small order"},
         }) {
        SCOPED_TRACE(c.what);
        if (c.forge) {
            PublishPluginForged(c.release, true, "1", "zj/");
        } else {
            UseKey(c.keys);
            PublishPluginSigned(c.release, true, "1", "zj/");
        }
        server.ClearRequests();
        RunUpdate();
        EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a3");
        EXPECT_EQ(Installed("ProvincePlug\\config.ini"), installedCatalog);
        EXPECT_FALSE(Requested(Requests(), "/1/zj/a.so"));
        const auto records = syslog.Drain();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_NE(records[0].find(c.reason), std::string::npos) << records[0];
    }
    UseKey();
    PublishPluginSigned(release("a4", "400", "4000000000"), true, "1", "zj/");
    RunUpdate();
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a4");
    EXPECT_TRUE(syslog.Drain().empty());
}

TEST_F(UpdatePlugThreadTest, AFailedCatalogDownloadLeavesEverythingAsItWas) {
    Configure("1.0", "330000");
    SetServiceDir("zj/");
    Install("ProvincePlug\\a.so", "a1");
    PublishPlugin(Release{"", "", 0, 0, {{"a.so", "a2"}}}, true, "1", "zj/");
    for (const Fault fault : {Fault::NotFound, Fault::Status500, Fault::CutMidway}) {
        server.SetFault("/1/zj/config.ini", fault);
        RunUpdate();
        EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a1");
        EXPECT_FALSE(fs::exists(app / "ProvincePlug/config.ini"));
        EXPECT_FALSE(Requested(Requests(), "/1/zj/a.so"));
    }
}

TEST_F(UpdatePlugThreadTest, AFailedFileDownloadInstallsNothing) {
    Configure("1.0", "330000");
    SetServiceDir("zj/");
    Install("ProvincePlug\\a.so", "a1");
    PublishPlugin(Release{"", "", 0, 0, {{"a.so", "a2"}, {"b.so", "b"}}}, true, "1", "zj/");
    server.SetFault("/1/zj/b.so", Fault::NotFound);
    RunUpdate();
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a1");
    EXPECT_FALSE(fs::exists(app / "ProvincePlug/config.ini"));
    EXPECT_FALSE(fs::exists(app / "UPDATE/ProvincePlug"));
}

TEST_F(UpdatePlugThreadTest, ACatalogNameThatLeavesTheFolderIsSkipped) {
    Configure("1.0", "330000");
    SetServiceDir("zj/");
    const Release r{
        "", "", 0, 0, {{"..\\..\\escaped.so", "evil"}, {"ok.so", "ok"}, {"C:\\abs.so", "evil"}}};
    PublishPlugin(r, true, "1", "zj/");
    RunUpdate();
    EXPECT_EQ(Installed("ProvincePlug\\ok.so"), "ok");
    EXPECT_TRUE(FilesOutsideApp().empty());
    EXPECT_FALSE(fs::exists(app / "escaped.so"));
    for (const std::string& path : Requests())
        EXPECT_EQ(path.find("escaped"), std::string::npos) << path;
}

TEST_F(UpdatePlugThreadTest, ASecondRunWhileOneIsUnderWayLeavesTheFolderToIt) {
    Configure("1.0", "330000");
    SetServiceDir("zj/");
    Install("ProvincePlug\\a.so", "a1");
    PublishPlugin(Release{"", "", 0, 0, {{"a.so", "a2"}, {"b.so", std::string(64 * 1024, 'b')}}},
                  true, "1", "zj/");
    server.SetFault("/1/zj/b.so", Fault::Stall);
    CUpdatePlugThread first(resolver.Function());
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(WaitFor([&] { return Requested(Requests(), "/1/zj/b.so"); }));
    const std::size_t before = Requests().size();
    RunUpdate();
    EXPECT_EQ(Requests().size(), before) << "the second run fetched nothing";
    EXPECT_TRUE(first.IsRunning());
    first.Terminate();
    EXPECT_FALSE(fs::exists(app / "UPDATE/ProvincePlug"));
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a1");
    // Once it has ended, the next run updates again.
    server.ClearFaults();
    RunUpdate();
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a2");
}

// The plug-in as the host loads it: PlugInit starts the update, PlugUnInit
// or unloading waits for it to stop.
class UpdateAtInitTest : public UpdatePlugThreadTest {
protected:
    void SetUp() override {
        UpdatePlugThreadTest::SetUp();
        Configure("1.0", "330000");
        SetServiceDir("zj/");
        Install("ProvincePlug\\a.so", "a1");
        Install("ProvincePlug\\b.so", "b1");
        PublishPlugin(
            Release{"", "", 0, 0, {{"a.so", "a2"}, {"b.so", std::string(64 * 1024, 'b')}}}, true,
            "1", "zj/");
    }
};

TEST_F(UpdateAtInitTest, PlugInitUpdatesInTheBackground) {
    LoadedToolbox harness(ZEVA_TOOLBOX_PLUGIN);
    ASSERT_TRUE(harness.Loaded()) << harness.Error();
    ASSERT_TRUE(harness.Init());
    ASSERT_TRUE(WaitFor([&] { return fs::exists(app / "ProvincePlug/config.ini"); }));
    EXPECT_TRUE(harness.UnInit());
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a2");
    EXPECT_FALSE(fs::exists(app / "UPDATE/ProvincePlug"));
}

TEST_F(UpdateAtInitTest, PlugUnInitWaitsForARunningUpdateToStop) {
    server.SetFault("/1/zj/b.so", Fault::Stall);
    LoadedToolbox harness(ZEVA_TOOLBOX_PLUGIN);
    ASSERT_TRUE(harness.Loaded()) << harness.Error();
    ASSERT_TRUE(harness.Init());
    ASSERT_TRUE(WaitFor([&] { return Requested(Requests(), "/1/zj/b.so"); }))
        << "the update is under way, held by the server";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(harness.UnInit());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10))
        << "the held transfer is given up";
    // The update ended before the call returned: its staging is gone, nothing installed.
    EXPECT_FALSE(fs::exists(app / "UPDATE/ProvincePlug"));
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a1");
    EXPECT_FALSE(fs::exists(app / "ProvincePlug/config.ini"));
    EXPECT_TRUE(harness.UnInit()) << "nothing left to wait for";
}

#if !defined(_WIN32)
// A host that ends without PlugUnInit unloads the library at exit: the
// update must stop and finish its clean-up before the process is gone.
// Linux only: on Windows a library is freed only after its unload hook.
TEST_F(UpdateAtInitTest, EndingTheHostUnderARunningUpdateStopsItFirst) {
    server.SetFault("/1/zj/b.so", Fault::Stall);
    const std::string command = "'" + ProgramPath("toolbox_exit_probe").string() + "' '" +
                                ZEVA_TOOLBOX_PLUGIN + "' '" +
                                (app / "UPDATE/ProvincePlug/a.so").string() + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "the host ended by a signal: " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(app / "UPDATE/ProvincePlug"));
    EXPECT_EQ(Installed("ProvincePlug\\a.so"), "a1");
}
#endif

}  // namespace
