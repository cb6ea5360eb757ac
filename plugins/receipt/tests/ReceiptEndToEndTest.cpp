// The receipt plug-in in the host, inside a namespace bed with a shaped
// link, against the back-office emulator: the report the emulator receives
// is compared byte for byte. Needs root and `ip netns`; skipped without.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "HardwareInfo.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

namespace {

int Shell(const std::string& cmd, std::string& out) {
    out.clear();
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    char buf[4096];
    std::size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int raw = pclose(p);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string SkipReason() {
    if (geteuid() != 0) return "needs root for network namespaces";
    std::string out;
    const std::string probe = "zlr" + std::to_string(getpid() % 100000);
    if (Shell("ip netns add " + probe + " >/dev/null 2>&1 && ip netns del " + probe, out) != 0)
        return "network namespaces cannot be created here";
    if (Shell("command -v nginx >/dev/null", out) != 0) return "nginx is not installed";
    return {};
}

// The in0 text of the first logged request of `operation`, JSON escapes undone.
std::string LoggedIn0(const std::string& log, const std::string& operation) {
    std::istringstream lines(log);
    const std::string head = "{\"operation\":\"" + operation + "\",\"in0\":\"";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(head, 0) != 0) continue;
        std::string text;
        for (std::size_t i = head.size(); i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') return text;
            if (c == '\\' && i + 1 < line.size()) {
                const char e = line[++i];
                c = e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
            }
            text += c;
        }
    }
    return {};
}

std::string Utf8Of(int (*probe)(std::string&)) {
    std::string text;
    probe(text);
    return zeva::AcpToUtf8(text);
}

}  // namespace

TEST(ReceiptEndToEnd, OpensTestsChecksAndReportsThroughTheHost) {
    if (const std::string why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
    zeva::test::TempDir out;
    const std::string bin = zeva::test::ProgramPath("ZEVAClient").parent_path().string();
    // 16 Mbit/s: about 1950 KB/s, well above the 512 KB/s the account asks for.
    const std::string cmd = std::string(ZEVA_NETLAB) + " run link --rate 16mbit --file-mb 128 -- " +
                            ZEVA_RECEIPT_E2E + " " + bin + " " + ZEVA_RECEIPT_PLUGIN + " " +
                            out.path().string() + " 2>&1";
    std::string console;
    ASSERT_EQ(Shell(cmd, console), 0) << console;

    const std::string log = zeva::test::ReadFile(out / "backoffice.log");
    const std::string report = LoggedIn0(log, "upFinish");
    ASSERT_FALSE(report.empty()) << log;

    std::smatch speed;
    ASSERT_TRUE(std::regex_search(report, speed, std::regex("<Speed>([0-9]+) K字节/秒</Speed>")))
        << report;
    const int kbps = std::stoi(speed[1]);
    EXPECT_GT(kbps, 1000) << "the shaped link carries about 1950 KB/s";
    EXPECT_LT(kbps, 2100) << "more than the link can carry";

    std::string mac = zeva::test::ReadFile(out / "mac.txt");
    mac.erase(mac.find_last_not_of("\r\n") + 1);
    ASSERT_EQ(mac.size(), 17u) << mac;
    std::string processorId, disk;
    GetHardwareInfo(processorId, disk);
    const std::string sep = "\t\t";
    const auto el = [&](const std::string& name, const std::string& value) {
        return sep + "<" + name + ">" + value + "</" + name + ">";
    };
    const std::string expected =
        "<UpFinish>" + el("DialType", "设备拨号") + el("ConnectType", "有线") +
        el("CpuType", Utf8Of(GetCPU)) + el("MemoryTotalSize", Utf8Of(GetMemory)) +
        el("WirelessIntensity", "无") + el("Speed", speed[1].str() + " K字节/秒") +
        el("CpeName", "-") + el("WorkListNum", "GD20261207014") +
        el("BequeathalProblems", "线路正常，已复测") + el("Account", "0571a88001234") +
        el("UserId", "") + el("PassWd", "") + el("ErrorId", "123") + el("OverTimeId", "321") +
        el("Mark", "线路正常，已复测") + el("UserName", "王师傅") + el("Phone", "13900001111") +
        el("ClientId", zeva::AcpToUtf8(processorId)) + el("Mac", mac) +
        // The bed's LAN: this computer and the server.
        el("PCCount", "2") + el("Version", "3.1.0.7") + sep + "</UpFinish>";
    EXPECT_EQ(report, expected);

    EXPECT_EQ(LoggedIn0(log, "getSpeedConfigList"), "0571a88001234");
    EXPECT_NE(
        LoggedIn0(log, "getUserNameAndWorkListNum").find("<accounts>0571a88001234</accounts>"),
        std::string::npos);
    for (const char* shot : {"receipt-opened.png", "receipt-tested.png", "receipt-check.png"})
        EXPECT_GT(std::filesystem::file_size(out / "shots" / shot), 1000u) << shot;
    if (const char* keep = std::getenv("ZEVA_RECEIPT_SHOTS")) {
        for (const char* shot : {"receipt-opened.png", "receipt-tested.png", "receipt-check.png"})
            std::filesystem::copy_file(out / "shots" / shot, std::filesystem::path(keep) / shot,
                                       std::filesystem::copy_options::overwrite_existing);
    }
}
