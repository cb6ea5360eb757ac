// zeva-netprobe quality through a router with a deep and a shallow buffer.
// Needs root and `ip netns`; skipped without them.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <regex>

#include "ProgramRunner.h"
#include "TestSupport.h"

namespace {

std::string Shell(const std::string& cmd, int& status) {
    return zeva::test::RunShell(cmd, status);
}

std::string SkipReason() {
    if (geteuid() != 0) return "needs root for network namespaces";
    int status = 0;
    const std::string probe = "zlq" + std::to_string(getpid());
    Shell("ip netns add " + probe + " >/dev/null 2>&1 && ip netns del " + probe, status);
    if (status != 0) return "network namespaces cannot be created here";
    Shell("command -v nginx >/dev/null", status);
    if (status != 0) return "nginx is not installed";
    return {};
}

double Field(const std::string& json, const std::string& pattern) {
    std::smatch m;
    if (!std::regex_search(json, m, std::regex(pattern))) return -1;
    return std::stod(m[1]);
}

}  // namespace

TEST(QualityBed, ADeepBufferShowsAsLatencyUnderLoad) {
    if (const auto why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
    zeva::test::TempDir dir;
    const std::string netprobe = zeva::test::ProgramPath("zeva-netprobe").string();
    double loaded[2] = {0, 0};
    int i = 0;
    for (const char* buffer : {"400", "5"}) {
        const std::string id = "q" + std::string(buffer) + std::to_string(getpid() % 10000);
        int status = 0;
        const std::string json = Shell(
            "NETLAB_ID=" + id + " '" ZEVA_NETLAB "' run quality --buffer-ms " + buffer +
                " -- bash -c 'ip netns exec \"$NETLAB_CLIENT_NS\" " + netprobe +
                " --json quality \"$NETLAB_URL\" --upload \"$NETLAB_UPLOAD_URL\" --seconds 12' 2>" +
                (dir / "err").string(),
            status);
        ASSERT_EQ(status, 0) << zeva::test::ReadFile(dir / "err");
        EXPECT_EQ(
            std::atoi(Shell("ip netns list | grep -c '^zl-" + id + "-' || true", status).c_str()),
            0)
            << "the bed was not removed";
        const double idle = Field(json, "\"idle\":\\{\"latency_ms\":\\{\"median\":([0-9.]+)");
        const double down = Field(json, "\"download\":\\{\"mbps\":([0-9.]+)");
        const double up = Field(json, "\"upload\":\\{\"mbps\":([0-9.]+)");
        loaded[i++] = Field(json, "\"download\":\\{[^}]*\"latency_ms\":\\{\"median\":([0-9.]+)");
        // A 20 Mbit/s line either way: the rates are the line's, not loopback's
        // (how close they come is the benchmark's business).
        EXPECT_GT(down, 10) << json;
        EXPECT_LT(down, 23) << json;
        EXPECT_GT(up, 10) << json;
        EXPECT_LT(up, 23) << json;
        EXPECT_GE(idle, 0) << json;
        EXPECT_GT(loaded[i - 1], idle) << json;
    }
    // The deep buffer (400 ms) queues far longer than the shallow one (5 ms).
    EXPECT_GT(loaded[0], 4 * loaded[1]) << loaded[0] << " ms against " << loaded[1] << " ms";
}
