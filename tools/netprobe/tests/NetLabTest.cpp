// The scan and the download engine on the namespace test bed. These need
// root and `ip netns`; without them they are skipped.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "LoopbackHttpServer.h"
#include "ProgramRunner.h"
#include "TestSupport.h"

namespace {

std::string Shell(const std::string& cmd, int& status) {
    return zeva::test::RunShell(cmd, status);
}

std::string SkipReason() {
    if (geteuid() != 0) return "needs root for network namespaces";
    int status = 0;
    Shell("ip netns list >/dev/null 2>&1", status);
    if (status != 0) return "ip netns is not available";
    // Listing works without the privilege to create: try one.
    const std::string probe = "zlp" + std::to_string(getpid());
    Shell("ip netns add " + probe + " >/dev/null 2>&1 && ip netns del " + probe, status);
    if (status != 0) return "network namespaces cannot be created here";
    return {};
}

// A bed ID of this test process, so parallel runs do not meet.
std::string BedId(const char* tag) {
    return std::string(tag) + std::to_string(getpid() % 100000);
}

std::string Netprobe() {
    return zeva::test::ProgramPath("zeva-netprobe").string();
}

int NamespacesOf(const std::string& id) {
    int status = 0;
    const std::string out = Shell("ip netns list | grep -c '^zl-" + id + "-' || true", status);
    return std::atoi(out.c_str());
}

using Device = std::tuple<std::string, std::string, std::string>;  // ip, mac, vendor

std::set<Device> DevicesOf(const std::string& json, std::string& self) {
    std::set<Device> out;
    const std::regex dev(
        "\\{\"ip\":\"([0-9.]+)\",\"mac\":\"([0-9A-F-]+)\",\"vendor\":\"([^\"]*)\",\"self\":(true|"
        "false),\"address_count\":1\\}");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), dev);
         it != std::sregex_iterator(); ++it) {
        if ((*it)[4] == "true")
            self = (*it)[1].str() + " " + (*it)[2].str();
        else
            out.insert({(*it)[1], (*it)[2], (*it)[3]});
    }
    return out;
}

}  // namespace

TEST(NetLab, ScanFindsEveryHostWithItsHardwareAddressAndVendor) {
    if (const auto why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
    zeva::test::TempDir dir;
    const std::string id = BedId("s");
    const std::string cmd = "NETLAB_ID=" + id +
                            " '" ZEVA_NETLAB
                            "' run lan -- bash -c '"
                            "cp \"$NETLAB_EXPECTED\" " +
                            (dir / "expected").string() +
                            " && "
                            "ip netns exec \"$NETLAB_SCAN_NS\" " +
                            Netprobe() + " --json scan > " + (dir / "arp.json").string() +
                            " && "
                            "ip netns exec \"$NETLAB_SCAN_NS\" " +
                            Netprobe() + " --json scan --no-raw > " +
                            (dir / "neigh.json").string() +
                            " && ip netns exec \"$NETLAB_SCAN_NS\" " + Netprobe() +
                            " --json system > " + (dir / "system.json").string() + "' 2>&1";
    int status = 0;
    const std::string log = Shell(cmd, status);
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(NamespacesOf(id), 0) << "the bed was not removed";

    std::set<Device> expected;
    std::istringstream in(zeva::test::ReadFile(dir / "expected"));
    std::string line;
    while (std::getline(in, line)) {
        const auto a = line.find(' '), b = line.find(' ', a + 1);
        expected.insert({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
    }
    ASSERT_EQ(expected.size(), 30u);
    for (const char* file : {"arp.json", "neigh.json"}) {
        const std::string json = zeva::test::ReadFile(dir / file);
        std::string self;
        const auto found = DevicesOf(json, self);
        EXPECT_EQ(self, "10.232.0.1 00-1B-21-AA-00-01") << file;
        EXPECT_EQ(found, expected) << file << ": " << json;  // all found, none invented
        EXPECT_NE(json.find("\"addresses_scanned\":253"), std::string::npos);
        EXPECT_NE(json.find("\"incomplete\":null"), std::string::npos) << file << ": " << json;
    }
    // The scanning machine as the probes see it: its address, adapter and gateway.
    const std::string system = zeva::test::ReadFile(dir / "system.json");
    EXPECT_NE(system.find("\"local_ip\":\"10.232.0.1\""), std::string::npos) << system;
    EXPECT_NE(
        system.find(
            "{\"name\":\"eth0\",\"description\":\"Ethernet eth0\",\"mac\":\"00-1B-21-AA-00-01\","
            "\"enabled\":true,\"connected\":true,\"wireless\":false,\"addresses\":[{\"ip\":"
            "\"10.232.0.1\",\"mask\":\"255.255.255.0\"}],\"gateways\":[\"10.232.0.254\"]}"),
        std::string::npos)
        << system;
    EXPECT_NE(zeva::test::ReadFile(dir / "arp.json").find("\"method\":\"arp\""), std::string::npos);
    EXPECT_NE(zeva::test::ReadFile(dir / "neigh.json").find("\"method\":\"neighbour-table\""),
              std::string::npos);
}

TEST(NetLab, WaitingForAServerIsBoundedAndNamesWhatDidNotAnswer) {
    zeva::test::LoopbackHttpServer web([](httplib::Server& server) {
        server.Get("/", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    });
    // A port whose connections are accepted and never answered.
    const int silent = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&a), len), 0);
    ASSERT_EQ(listen(silent, 8), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&a), &len), 0);
    const std::string silentPort = std::to_string(ntohs(a.sin_port));
    const std::string closed = std::to_string(zeva::test::ClosedLoopbackPort());
    const struct {
        std::string args;
        int status;
        std::string says;
    } cases[] = {
        {"http " + web.Url("/"), 0, ""},  // any answer, a 404 too
        {"tcp 127.0.0.1 " + silentPort, 0, ""},
        {"http http://127.0.0.1:" + silentPort + "/", 1,
         "netlab: the web server at http://127.0.0.1:" + silentPort +
             "/ did not answer within 1 s"},
        {"tcp 127.0.0.1 " + closed, 1,
         "netlab: the server at 127.0.0.1:" + closed + " did not answer within 1 s"},
        {"http", 2, "usage: netlab.sh wait"},
        {"smtp 127.0.0.1", 2, "usage: netlab.sh wait"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        int status = 0;
        const auto start = std::chrono::steady_clock::now();
        const std::string out =
            Shell("'" ZEVA_NETLAB "' wait " + c.args + " --within 1 2>&1", status);
        EXPECT_EQ(status, c.status) << out;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6)) << "bounded";
        if (c.says.empty())
            EXPECT_EQ(out, "");
        else
            EXPECT_NE(out.find(c.says), std::string::npos) << out;
    }
    close(silent);
}

TEST(NetLab, ARouterAnsweringForTheSubnetIsOneDeviceWithItsCount) {
    if (const auto why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
    zeva::test::TempDir dir;
    // The gateway answers ARP for the upper half of the subnet (proxy ARP
    // towards a second link), as some home routers do for the whole of it.
    {
        std::ofstream script(dir / "proxy.sh");
        script
            << "set -e\n"
               "gw=${NETLAB_SCAN_NS%-me}-h$NETLAB_HOSTS\n"
               "ip -n $gw link add x0 type veth peer name x1\n"
               "ip -n $gw link set x0 up && ip -n $gw link set x1 up\n"
               "ip -n $gw route add 10.232.0.128/25 dev x0\n"
               "ip netns exec $gw sysctl -qw net.ipv4.ip_forward=1 net.ipv4.conf.eth0.proxy_arp=1 "
               "net.ipv4.neigh.eth0.proxy_delay=0\n"
               "ip -n $gw link show eth0 | awk '/link\\/ether/ {print toupper($2)}' | tr : - > "
               "\"$1/gw-mac\"\n"
               "ip netns exec $NETLAB_SCAN_NS \"$2\" --json scan > \"$1/arp.json\"\n"
               "ip netns exec $NETLAB_SCAN_NS \"$2\" --json scan --no-raw > \"$1/neigh.json\"\n";
    }
    const std::string id = BedId("p");
    int status = 0;
    const std::string log = Shell(
        "NETLAB_ID=" + id + " '" ZEVA_NETLAB "' run lan --hosts 3 -- bash " +
            (dir / "proxy.sh").string() + " " + dir.path().string() + " " + Netprobe() + " 2>&1",
        status);
    ASSERT_EQ(status, 0) << log;
    std::string gwMac = zeva::test::ReadFile(dir / "gw-mac");
    while (!gwMac.empty() && gwMac.back() == '\n') gwMac.pop_back();
    ASSERT_EQ(gwMac.size(), 17u) << gwMac;
    const std::regex dev(
        "\\{\"ip\":\"([0-9.]+)\",\"mac\":\"([0-9A-F-]+)\",\"vendor\":\"[^\"]*\","
        "\"self\":(true|false),\"address_count\":([0-9]+)\\}");
    for (const char* file : {"arp.json", "neigh.json"}) {
        const std::string json = zeva::test::ReadFile(dir / file);
        std::map<std::string, std::pair<std::string, int>> byMac;  // mac -> first ip, count
        int rows = 0;
        for (auto it = std::sregex_iterator(json.begin(), json.end(), dev);
             it != std::sregex_iterator(); ++it, ++rows)
            byMac[(*it)[2]] = {(*it)[1], std::stoi((*it)[4])};
        EXPECT_EQ(rows, 4) << file << ": this computer, two hosts and the gateway once: " << json;
        EXPECT_EQ(byMac.size(), 4u) << file << ": " << json;
        ASSERT_TRUE(byMac.count(gwMac)) << file << ": " << json;
        // .128 to .253 through the proxy, and the gateway's own .254.
        EXPECT_EQ(byMac[gwMac].first, "10.232.0.128") << file;
        EXPECT_EQ(byMac[gwMac].second, 127) << file;
    }
}

TEST(NetLab, DownloadMeasuresTheShapedRate) {
    if (const auto why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
    int status = 0;
    Shell("command -v nginx >/dev/null", status);
    if (status != 0) GTEST_SKIP() << "nginx is not installed";
    zeva::test::TempDir dir;
    const std::string id = BedId("d");
    const std::string cmd = "NETLAB_ID=" + id +
                            " '" ZEVA_NETLAB
                            "' run link --rate 20mbit --file-mb 64 -- bash -c '"
                            "ip netns exec \"$NETLAB_CLIENT_NS\" " +
                            Netprobe() + " --json download --duration-ms 3000 \"$NETLAB_URL\"' 2>" +
                            (dir / "err").string();
    const std::string json = Shell(cmd, status);
    ASSERT_EQ(status, 0) << zeva::test::ReadFile(dir / "err");
    EXPECT_EQ(NamespacesOf(id), 0);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(json, m, std::regex("\"average_kbps\":([0-9]+)"))) << json;
    const double shapedKBps = 20e6 / 8 / 1024;
    const double measured = std::stod(m[1]);
    // The shaped link is what is measured, not loopback speed; how close it
    // comes is the benchmark's business (a sanitizer build on a busy machine
    // may fall well short of the rate).
    EXPECT_GT(measured, shapedKBps * 0.4) << json;
    EXPECT_LT(measured, shapedKBps * 1.10) << json;
}

TEST(NetLab, BedIsRemovedWhenTheCommandFailsAndRefusesBadInput) {
    if (const auto why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
    const std::string id = BedId("f");
    int status = 0;
    Shell("NETLAB_ID=" + id + " '" ZEVA_NETLAB "' run lan --hosts 3 -- false 2>&1", status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(NamespacesOf(id), 0);
    // A bed that fails half-way (an unknown rate) leaves nothing either.
    Shell("NETLAB_ID=" + id + " '" ZEVA_NETLAB "' run link --rate fast -- true 2>&1", status);
    EXPECT_NE(status, 0);
    EXPECT_EQ(NamespacesOf(id), 0);
    Shell("'" ZEVA_NETLAB "' down 'x;y' 2>&1", status);
    EXPECT_EQ(status, 2);
}
