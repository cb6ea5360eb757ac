#include "platform/NamedMutex.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"

using zeva::NamedMutex;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;

namespace {

constexpr char kName[] = "WIN32.ZAEVUpdateWizard.Instance.Once";

TEST(NamedMutex, SecondCreateSeesItExistsUntilTheFirstIsReleased) {
    TempDir runtime;
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
    auto first = NamedMutex::Create(kName);
    EXPECT_FALSE(first->AlreadyExists());
    EXPECT_TRUE(NamedMutex::Create(kName)->AlreadyExists());
    EXPECT_FALSE(NamedMutex::Create("another.name")->AlreadyExists());
    first.reset();
    EXPECT_FALSE(NamedMutex::Create(kName)->AlreadyExists());
}

}  // namespace
