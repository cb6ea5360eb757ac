// The pages' real services on Windows' own: names looked up by the system's
// resolver (GetAddrInfoW) within the limit, on a worker the unload hook
// joins, and links refused before the shell sees them. Nothing leaves the
// machine: the names are the loopback's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PageServices.h"

namespace {

TEST(PageServicesWin, TheSystemResolverAnswersLoopbackNamesWithinTheLimit) {
    const auto services = zeva::plug::PageServices::RealLocal();
    ASSERT_TRUE(services.resolver);
    struct Case {
        std::string host;
        std::string address;
    };
    for (const Case& c : std::vector<Case>{{"localhost", "127.0.0.1"},
                                           {"127.0.0.1", "127.0.0.1"},
                                           {"127.0.0.2", "127.0.0.2"},
                                           {"", ""}}) {
        std::string first = "stale";
        const unsigned ms = services.resolver->Resolve(c.host, 5000, first);
        EXPECT_EQ(first, c.address) << c.host;
        EXPECT_LT(ms, 5000u) << c.host;
    }
}

TEST(PageServicesWin, WhatIsNoWebAddressNeverReachesTheShell) {
    // Web addresses themselves go to ShellExecuteExW, whose handler under Wine
    // is the Linux desktop's browser: that launch is left to a real Windows.
    const auto services = zeva::plug::PageServices::RealLocal();
    for (const char* link : {"C:\\Windows\\notepad.exe", "javascript:alert(1)", "ftp://127.0.0.1/",
                             "\\\\server\\share\\x.exe", ""})
        EXPECT_FALSE(services.linkOpener->Open(link)) << link;
}

}  // namespace
