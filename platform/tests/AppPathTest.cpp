#include "platform/AppPath.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"

using zeva::test::ScopedEnv;
namespace fs = std::filesystem;

namespace {

TEST(AppPath, DefaultsToTheRunningProgramsDirectory) {
    ScopedEnv app("ZEVA_APP_DIR", std::nullopt);
    ScopedEnv acp("ZEVA_ACP", "UTF-8");
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(zeva::ApplicationDirectory(), exe.parent_path());
    EXPECT_EQ(zeva::ApplicationPathAcp(), exe.parent_path().string() + "/");
}

TEST(AppPath, EnvironmentOverridesAndTheResultEndsWithOneSeparator) {
    ScopedEnv acp("ZEVA_ACP", "UTF-8");
    {
        ScopedEnv app("ZEVA_APP_DIR", "/opt/zeva");
        EXPECT_EQ(zeva::ApplicationPathAcp(), "/opt/zeva/");
    }
    {
        ScopedEnv app("ZEVA_APP_DIR", "/opt/zeva/");
        EXPECT_EQ(zeva::ApplicationPathAcp(), "/opt/zeva/");
    }
}

TEST(AppPath, ApplicationPathIsInTheSystemCodePage) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    ScopedEnv app("ZEVA_APP_DIR", "/opt/中文");
    EXPECT_EQ(zeva::ApplicationPathAcp(), "/opt/\xD6\xD0\xCE\xC4/");
}

TEST(AppPath, BackslashesBecomeNativeSeparators) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    EXPECT_EQ(zeva::NativePath("/opt/app/UPDATE\\Program\\UpdateConfig.ini"),
              fs::path("/opt/app/UPDATE/Program/UpdateConfig.ini"));
}

TEST(AppPath, DoubleByteCharacterWithBackslashTrailByteIsNotASeparator) {
    ScopedEnv acp("ZEVA_ACP", std::nullopt);
    // "乗" is 0x81 0x5C in GBK: its trail byte is the code of '\'.
    const fs::path p = zeva::NativePath("dir\\\x81\x5C.txt");
    EXPECT_EQ(p, fs::path("dir/乗.txt"));
    EXPECT_EQ(zeva::AcpPath(p), "dir/\x81\x5C.txt");
}

}  // namespace
