// This computer's name as Windows tells it, cleaned as every found name is.
#include <windows.h>

#include <gtest/gtest.h>

#include "NetNames.h"
#include "platform/CodePage.h"

TEST(WindowsComputerName, IsTheSystemsNetBiosNameInTheCodePage) {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(name, &size));
    ASSERT_GT(size, 0u);
    std::string utf8;
    for (DWORD i = 0; i < size; ++i) {
        // Computer names are ASCII on every machine this test meets.
        ASSERT_LT(name[i], 0x80);
        utf8.push_back(static_cast<char>(name[i]));
    }
    const std::string local = zeva::netnames::LocalComputerName();
    EXPECT_EQ(local, zeva::Utf8ToAcp(utf8));
    EXPECT_LE(local.size(), 63u);
}
