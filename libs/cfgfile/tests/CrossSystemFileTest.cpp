// One format on every system: a settings file written by the Linux build and
// one written by the Windows build (same content, made with zeva-cfg import)
// read the same in either build, byte for byte in the stored code page.

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "CryptConfigFile.h"
#include "TestSupport.h"
#include "platform/AppPath.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

TEST(CrossSystemFile, FilesWrittenOnEitherSystemReadTheSame) {
    // GBK, as the programs store text: 北京市, 张三, 海淀区 中关村大街 1号.
    const Values user = {
        {"City", "\xB1\xB1\xBE\xA9\xCA\xD0"},
        {"Name", "\xD5\xC5\xC8\xFD"},
        {"Address", "\xBA\xA3\xB5\xED\xC7\xF8 \xD6\xD0\xB9\xD8\xB4\xE5\xB4\xF3\xBD\xD6 1\xBA\xC5"}};
    const Values update = {{"Version", "2.1.0"}, {"ServerIP", "127.0.0.1"}};
    for (const char* name : {"written-on-linux.dat", "written-on-windows.dat"}) {
        SCOPED_TRACE(name);
        // A copy: reading must not depend on the committed file staying untouched.
        zeva::test::TempDir dir;
        std::filesystem::copy_file(zeva::PathFromUtf8(ZEVA_CFGFILE_DATA) / name,
                                   dir / "UserData.dat");
        CCryptConfigFile file;
        file.InitializeNative(dir / "UserData.dat");
        std::vector<std::string> sections;
        file.ReadSections(sections);
        EXPECT_EQ(sections, (std::vector<std::string>{"Update", "UserInfo"}));
        Values read;
        file.ReadSectionValues("UserInfo", read);
        EXPECT_EQ(read, user);
        file.ReadSectionValues("Update", read);
        EXPECT_EQ(read, update);
    }
}

}  // namespace
