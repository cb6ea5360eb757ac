// The LAN check end to end on a LAN bed of network namespaces: twelve
// hosts, some answering NetBIOS node status, some multicast DNS, two known
// to the gateway's DNS server. The plug-in, opened in the scanning
// namespace, must list every device with its address, hardware address,
// vendor and name, this computer first, and count the others; the host
// program takes screenshots of the searching and the finished page. Needs
// root and `ip netns`; skipped without them.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <map>
#include <sstream>

#include "TestSupport.h"

namespace {

int Shell(const std::string& cmd) {
    const int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string SkipReason() {
    if (geteuid() != 0) return "needs root for network namespaces";
    const std::string probe = "zlq" + std::to_string(getpid());
    if (Shell("ip netns add " + probe + " >/dev/null 2>&1 && ip netns del " + probe) != 0)
        return "network namespaces cannot be created here";
    return {};
}

std::vector<std::string> Lines(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) out.push_back(line);
    }
    return out;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::stringstream in(s);
    for (std::string part; std::getline(in, part, sep);) out.push_back(part);
    if (!s.empty() && s.back() == sep) out.emplace_back();
    return out;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

}  // namespace

TEST(LanBed, EveryDeviceIsListedWithAddressHardwareVendorAndName) {
    if (const std::string why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
    zeva::test::TempDir out;
    const char* shotEnv = std::getenv("LANGUARD_SHOTS");
    const std::filesystem::path shots =
        shotEnv && *shotEnv ? std::filesystem::path(shotEnv) : out / "shots";
    std::filesystem::create_directories(shots);
    zeva::test::WriteFile(out / "script.txt",
                          "open plug\\ZEVAPlug_AntiPilferNet.dll\n"
                          "shot " +
                              (shots / "languard-searching.png").string() +
                              "\n"
                              "wait 13007 12\n"
                              "shot " +
                              (shots / "languard-finished.png").string() +
                              "\n"
                              "close\n");
    const std::string app = LANGUARD_APP_DIR;
    const std::string o = out.path().string();
    const std::string inner =
        "cp \"$NETLAB_EXPECTED\" " + o + "/expected.txt; cp \"$LANBED_NAMES\" " + o +
        "/names.txt; "
        "ip netns exec \"$NETLAB_SCAN_NS\" env ZEVA_APP_DIR=" +
        app + " " + zeva::test::ProgramPath("languard-bed-dump").string() + " " + app +
        "plug/ZEVAPlug_AntiPilferNet.so 30000 > " + o + "/dump.txt 2>" + o +
        "/dump.err; echo $? > " + o +
        "/dump.rc; "
        "ip netns exec \"$NETLAB_SCAN_NS\" env ZEVA_APP_DIR=" +
        app + " " + zeva::test::ProgramPath("languard-bed-dump").string() +
        " --unload-after 1500 " + app + "plug/ZEVAPlug_AntiPilferNet.so > " + o +
        "/unload.txt 2>&1; echo $? >> " + o +
        "/unload.txt; "
        "ip netns exec \"$NETLAB_SCAN_NS\" env ZEVA_APP_DIR=" +
        app + " QT_QPA_PLATFORM=offscreen timeout 120 " +
        zeva::test::ProgramPath("ZEVAClient").string() + " --timeout 100 --script " + o +
        "/script.txt > " + o + "/host.log 2>&1; echo $? > " + o + "/host.rc";
    const std::string id = "lg" + std::to_string(getpid() % 100000);
    const std::string cmd = "NETLAB_ID=" + id + " " + std::string(ZEVA_NETLAB) +
                            " run lan --hosts 12 -- " + LANGUARD_BED + " " +
                            zeva::test::ProgramPath("zeva-name-responder").string() +
                            " -- bash -c " + Quote(inner) + " 2>" + o + "/bed.err";
    ASSERT_EQ(Shell(cmd), 0) << zeva::test::ReadFile(out / "bed.err");

    ASSERT_EQ(zeva::test::ReadFile(out / "dump.rc"), "0\n")
        << zeva::test::ReadFile(out / "dump.err");
    const auto dump = Lines(out / "dump.txt");
    ASSERT_GE(dump.size(), 2u);
    EXPECT_EQ(dump[1], "count 12");

    std::map<std::string, std::string> names;
    for (const std::string& line : Lines(out / "names.txt")) {
        const auto sp = line.find(' ');
        names[line.substr(0, sp)] = line.substr(sp + 1);
    }
    ASSERT_GE(names.size(), 9u);

    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 2; i < dump.size(); ++i) rows.push_back(Split(dump[i], '\t'));
    ASSERT_EQ(rows.size(), 13u) << zeva::test::ReadFile(out / "dump.txt");
    for (const auto& r : rows) ASSERT_EQ(r.size(), 5u);

    char host[HOST_NAME_MAX + 1] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(rows[0][0], "10.232.0.1") << "this computer first";
    EXPECT_EQ(rows[0][1], "00-1B-21-AA-00-01");
    EXPECT_EQ(rows[0][3], host) << "named by the system";
    EXPECT_EQ(rows[0][4], "本机");

    const auto expected = Lines(out / "expected.txt");
    ASSERT_EQ(expected.size(), 12u);
    int named = 0;
    for (const std::string& line : expected) {
        const auto parts = Split(line, ' ');
        const std::string ip = parts[0], mac = parts[1];
        const std::string vendor = line.substr(ip.size() + mac.size() + 2);
        const auto row =
            std::find_if(rows.begin() + 1, rows.end(), [&](const auto& r) { return r[0] == ip; });
        ASSERT_NE(row, rows.end()) << ip << " not listed";
        EXPECT_EQ((*row)[1], mac) << ip;
        EXPECT_EQ((*row)[2], vendor) << ip;
        const auto name = names.find(ip);
        EXPECT_EQ((*row)[3], name == names.end() ? "未知" : name->second) << ip;
        EXPECT_EQ((*row)[4], "") << ip;
        named += name != names.end();
    }
    EXPECT_EQ(named, static_cast<int>(names.size())) << "every name the bed gives is listed";
    EXPECT_GE(named, 10);

    // Unloaded in the middle of its search: the workers end with the library, promptly.
    const auto unload = Lines(out / "unload.txt");
    ASSERT_EQ(unload.size(), 2u) << zeva::test::ReadFile(out / "unload.txt");
    EXPECT_EQ(unload[1], "0");
    ASSERT_EQ(unload[0].rfind("unloaded-ms ", 0), 0u);
    EXPECT_LT(std::atoi(unload[0].c_str() + 12), 3000);

    EXPECT_EQ(zeva::test::ReadFile(out / "host.rc"), "0\n")
        << zeva::test::ReadFile(out / "host.log");
    for (const char* shot : {"languard-searching.png", "languard-finished.png"})
        EXPECT_GT(std::filesystem::file_size(shots / shot), 1000u) << shot;
}
