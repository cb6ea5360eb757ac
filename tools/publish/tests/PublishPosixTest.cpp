// The publisher's output on Linux: the key file's mode, and FIFOs, folders
// and links where the catalog goes (mkfifo and symbolic links are POSIX).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "PublishFixture.h"

namespace {

using namespace zeva::test::publish;

TEST_F(PublishTest, KeygenWritesAnOwnerOnlyKey) {
    const fs::path key = dir / "release.key";
    const Result r = Publish("keygen " + Q(key) + " --json");
    ASSERT_EQ(r.status, 0) << r.out;
    struct stat st {};
    ASSERT_EQ(::stat(key.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// --output: a device or FIFO is never replaced, a link is written through to
// its file, and a failed write is an error.
TEST_F(PublishTest, OutputMustBeARegularFileAndIsWrittenThroughALink) {
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(dir / "folder");
    fs::create_symlink(fifo, dir / "link-to-fifo");
    zeva::test::WriteFile(dir / "blocker", "a file where a folder should be");
    for (const fs::path& target :
         {fifo, dir / "link-to-fifo", dir / "folder", dir / "blocker" / "UpdateConfig.ini"}) {
        SCOPED_TRACE(target.string());
        const Result r = Publish("main " + Q(release) + " --version 2.0 --output " + Q(target));
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_TRUE(fs::is_directory(dir / "folder"));
        EXPECT_TRUE(fs::is_symlink(dir / "link-to-fifo"));
    }
    // Through a link to a regular file (as zeva-cfg writes settings files).
    zeva::test::WriteFile(dir / "real.ini", "old");
    fs::create_symlink("real.ini", dir / "catalog.ini");
    const Result r =
        Publish("main " + Q(release) + " --version 2.0 --output " + Q(dir / "catalog.ini"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::is_symlink(dir / "catalog.ini"));
    EXPECT_NE(zeva::test::ReadFile(dir / "real.ini").find("VERSION=2.0"), std::string::npos);
}

}  // namespace
