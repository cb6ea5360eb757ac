#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "CryptConfigFile.h"
#include "TestSupport.h"

using zeva::test::ProgramPath;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

struct Result {
    int status;
    std::string out;
};

Result RunCfg(const std::string& args, const std::string& input = "") {
    // One input file per test process: ctest runs the cases in parallel.
    const std::string in = ::testing::TempDir() + "zeva-cfg-stdin-" + std::to_string(::getpid());
    WriteFile(in, input);
    const std::string cmd = ProgramPath("zeva-cfg").string() + " " + args + " < " + in + " 2>&1";
    FILE* pipe = ::popen(cmd.c_str(), "r");
    Result r{-1, ""};
    if (pipe == nullptr) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class CfgToolTest : public ::testing::Test {
protected:
    std::string File() const { return (dir / "Config.dat").string(); }
    TempDir dir;
    ScopedEnv acp{"ZEVA_ACP", std::nullopt};
};

TEST_F(CfgToolTest, SetThenGetConvertsBetweenTerminalAndStoredCodePage) {
    EXPECT_EQ(RunCfg("set " + File() + " Area 北京 北京市").status, 0);
    const Result r = RunCfg("get " + File() + " Area 北京");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "北京市\n");
    // Stored in GBK, as the programs read it.
    CCryptConfigFile f(File(), "");
    std::string v;
    f.ReadString("Area", "\xB1\xB1\xBE\xA9", "", v);
    EXPECT_EQ(v, "\xB1\xB1\xBE\xA9\xCA\xD0");
}

TEST_F(CfgToolTest, SetsTheReleasePublicKeysAsTheUpdaterReadsThem) {
    // Two base64 keys during a rotation: '+', '/', '=' and ',' are kept as given.
    const std::string keys =
        "25xZQu6tB5xmg0CaxDJ0eODIfLLwQ0gJdh+SQigagPg=,TyEJsriwt1nUndp0DcVNGQeqV/KCSjwaX1UHwWvoZJU=";
    ASSERT_EQ(RunCfg("set " + File() + " Update PublicKey '" + keys + "'").status, 0);
    CCryptConfigFile f(File(), "");
    std::string v;
    f.ReadString("Update", "PublicKey", "", v);
    EXPECT_EQ(v, keys);
}

TEST_F(CfgToolTest, MissingKeyExitsOneUnlessADefaultIsGiven) {
    RunCfg("set " + File() + " Update Version 1.0");
    EXPECT_EQ(RunCfg("get " + File() + " Update Region").status, 1);
    const Result r = RunCfg("get " + File() + " Update Region --default none");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "none\n");
    EXPECT_EQ(RunCfg("get " + File() + " Update Version --json").out, "\"1.0\"\n");
}

TEST_F(CfgToolTest, ImportThenDumpKeepsOrder) {
    const Result imp = RunCfg("import " + File(), "[Update]\r\nVersion=1.0.3\nServerIP = 127.0.0.1\n\n[Server]\nServiceURL=http://h/a=b\n");
    EXPECT_EQ(imp.status, 0) << imp.out;
    const Result r = RunCfg("dump " + File());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[Update]\nVersion=1.0.3\nServerIP=127.0.0.1\n\n[Server]\nServiceURL=http://h/a=b\n");
    EXPECT_EQ(RunCfg("del " + File() + " Update ServerIP").status, 0);
    EXPECT_EQ(RunCfg("del " + File() + " Server").status, 0);
    EXPECT_EQ(RunCfg("dump --json " + File()).out, "{\n  \"Update\": {\n    \"Version\": \"1.0.3\"\n  }\n}\n");
}

TEST_F(CfgToolTest, BadUsageAndUnreadableFilesFailWithAReason) {
    EXPECT_EQ(RunCfg("").status, 2);
    EXPECT_EQ(RunCfg("frobnicate " + File()).status, 2);
    EXPECT_EQ(RunCfg("get " + File() + " onlysection").status, 2);
    EXPECT_EQ(RunCfg("dump " + File()).status, 2);  // no such file
    WriteFile(File(), "not enciphered");
    const Result r = RunCfg("dump " + File());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("damaged"), std::string::npos);
    EXPECT_EQ(RunCfg("import " + File(), "key=before-section\n").status, 2);
    EXPECT_EQ(RunCfg("--help").status, 0);
}

TEST_F(CfgToolTest, PlainCatalogsCanBeRead) {
    WriteFile(dir / "UpdateConfig.ini", "[Version]\nVERSION=1.10\n");
    const Result r = RunCfg("--plain get " + (dir / "UpdateConfig.ini").string() + " Version VERSION");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1.10\n");
    EXPECT_EQ(RunCfg("--plain set " + (dir / "UpdateConfig.ini").string() + " a b c").status, 2);
}

}  // namespace
