// The lock-file mutex: its runtime folder, and a holder killed by a signal.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/NamedMutex.h"

using zeva::NamedMutex;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;

namespace {

constexpr char kName[] = "WIN32.ZAEVUpdateWizard.Instance.Once";

TEST(NamedMutex, AMissingRuntimeDirectoryIsMadeSoEveryProcessAgrees) {
    TempDir base;
    ScopedEnv env("XDG_RUNTIME_DIR", (base / "run").string());
    auto first = NamedMutex::Create(kName);
    EXPECT_FALSE(first->AlreadyExists());
    EXPECT_TRUE(std::filesystem::is_directory(base / "run" / "zeva"));
    EXPECT_TRUE(NamedMutex::Create(kName)->AlreadyExists());
}

TEST(NamedMutex, AKilledHolderReleasesIt) {
    TempDir runtime;
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto held = NamedMutex::Create(kName);
        const char c = held->AlreadyExists() ? 'n' : 'y';
        if (::write(ready[1], &c, 1) != 1) ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_TRUE(NamedMutex::Create(kName)->AlreadyExists());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(NamedMutex::Create(kName)->AlreadyExists());
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
