#include "platform/RegularFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "TestSupport.h"

namespace fs = std::filesystem;
using zeva::test::TempDir;

namespace {

// What a program may find where it expects one of its files: only regular
// files (directly or through a link) are read, the rest is refused at once.
TEST(RegularFile, OnlyRegularFilesAreReadAndNothingBlocks) {
    TempDir dir;
    zeva::test::WriteFile(dir / "plain.txt", "content");
    fs::create_symlink(dir / "plain.txt", dir / "link.txt");
    ASSERT_EQ(::mkfifo((dir / "fifo.png").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink("/dev/zero", dir / "zero.png");
    struct Case {
        fs::path path;
        std::optional<std::string> content;
        const char* says;
    };
    const Case cases[] = {
        {dir / "plain.txt", "content", ""},
        {dir / "link.txt", "content", ""},
        {dir / "fifo.png", std::nullopt, "is not a regular file"},
        {dir / "folder", std::nullopt, "is not a regular file"},
        {dir / "zero.png", std::nullopt, "is not a regular file"},
        {"/dev/null", std::nullopt, "is not a regular file"},
        {dir / "missing", std::nullopt, "cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        std::string error;
        EXPECT_EQ(zeva::ReadRegularFile(c.path, zeva::kNoSizeLimit, &error), c.content);
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

TEST(RegularFile, TheDescriptorReadsNormallyAndALimitRefusesLargerFiles) {
    TempDir dir;
    zeva::test::WriteFile(dir / "ten.txt", "0123456789");
    const int fd = zeva::OpenRegularFile(dir / "ten.txt");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0) << "opened without blocking, reads blocking";
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);
    EXPECT_EQ(zeva::ReadRegularFile(dir / "ten.txt", 10), "0123456789");
    std::string error;
    EXPECT_EQ(zeva::ReadRegularFile(dir / "ten.txt", 9, &error), std::nullopt);
    EXPECT_NE(error.find("larger than 9 bytes"), std::string::npos) << error;
}

}  // namespace
