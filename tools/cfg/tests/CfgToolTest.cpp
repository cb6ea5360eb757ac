#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "CryptConfigFile.h"
#include "ProgramRunner.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

using zeva::test::ProgramPath;
using zeva::test::ScopedEnv;
using zeva::test::TempDir;
using zeva::test::WriteFile;

namespace {

struct Result {
    int status;
    std::string out;
};

// A command line split as a POSIX shell splits it, for the quoting these
// tests use: blanks part words, '...' quotes anything, and \' outside quotes
// is a quote. Everything else, backslashes of Windows paths included, is kept.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\'')
                quoted = false;
            else
                word += c;
        } else if (c == ' ') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == '\'')
                quoted = true;
            else if (c == '\\' && i + 1 < line.size() && line[i + 1] == '\'')
                word += line[++i];
            else
                word += c;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// Both outputs, the diagnostics first; under a time limit so that a tool that
// blocks fails the test instead of hanging it.
Result RunCfg(const std::string& args, const std::string& input = "") {
    zeva::test::RunOptions options;
    options.input = input;
    options.timeout = std::chrono::seconds(20);
    const zeva::test::RunResult r =
        zeva::test::RunProgram(ProgramPath("zeva-cfg"), Words(args), options);
    return {r.exitCode, r.err + r.out};
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

// A key the updaters refuse (the all-zero placeholder an installer may leave
// is of small order) is stored as asked, with a warning: every update stops.
TEST_F(CfgToolTest, WarnsAboutAReleaseKeyTheUpdatersRefuse) {
    const std::string good = "25xZQu6tB5xmg0CaxDJ0eODIfLLwQ0gJdh+SQigagPg=";
    const std::string zero = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=";
    // p itself, all bits but the sign: a non-canonical encoding of y = 0.
    const std::string p = "7f///////////////////////////////////////38=";
    struct Case {
        std::string command;
        std::string input;
        const char* warning;  // null: none
    };
    for (const Case& c : {
             Case{"set F Update PublicKey '" + zero + "'", "", "small order"},
             Case{"set F update publickey '" + good + "," + zero + "'", "", "small order"},
             Case{"set F Update PublicKey '" + p + "'", "", "canonical"},
             Case{"set F Update PublicKey 'abc'", "", "not base64"},
             Case{"import F ", "[Update]\nPublicKey=" + zero + "\n", "small order"},
             Case{"set F Update PublicKey '" + good + "'", "", nullptr},
             Case{"set F Update PublicKey ''", "", nullptr},
             Case{"set F Other PublicKey '" + zero + "'", "", nullptr},
         }) {
        std::string command = c.command;
        command.replace(command.find(" F "), 3, " " + File() + " ");
        SCOPED_TRACE(command);
        const Result r = RunCfg(command, c.input);
        EXPECT_EQ(r.status, 0) << r.out;
        if (c.warning == nullptr) {
            EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
            continue;
        }
        EXPECT_NE(r.out.find("warning"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.warning), std::string::npos) << r.out;
    }
    CCryptConfigFile f(File(), "");
    std::string v;
    f.ReadString("Other", "PublicKey", "", v);
    EXPECT_EQ(v, zero) << "stored as asked";
}

TEST_F(CfgToolTest, MissingKeyExitsOneUnlessADefaultIsGiven) {
    RunCfg("set " + File() + " Update Version 1.0");
    EXPECT_EQ(RunCfg("get " + File() + " Update Region").status, 1);
    const Result r = RunCfg("get " + File() + " Update Region --default none");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "none\n");
    EXPECT_EQ(RunCfg("get " + File() + " Update Version --json").out, "\"1.0\"\n");
}

// An installer reads a settings file before anything wrote it: its defaults.
TEST_F(CfgToolTest, AFileNotWrittenYetReadsAsItsDefaults) {
    const Result json = RunCfg("--json dump " + File());
    EXPECT_EQ(json.status, 0) << json.out;
    EXPECT_TRUE(json.out.ends_with("\n{}\n")) << json.out;
    EXPECT_NE(json.out.find("does not exist yet"), std::string::npos) << json.out;
    const Result ini = RunCfg("dump " + File());
    EXPECT_EQ(ini.status, 0) << ini.out;
    EXPECT_EQ(ini.out.find('['), std::string::npos) << ini.out;
    EXPECT_EQ(RunCfg("get " + File() + " Update Region").status, 1);
    const Result def = RunCfg("get " + File() + " Update Region --default 330000");
    EXPECT_EQ(def.status, 0);
    EXPECT_TRUE(def.out.ends_with("\n330000\n")) << def.out;
    // Reading leaves no file behind.
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(CfgToolTest, ImportThenDumpKeepsOrder) {
    const Result imp = RunCfg(
        "import " + File(),
        "[Update]\r\nVersion=1.0.3\nServerIP = 127.0.0.1\n\n[Server]\nServiceURL=http://h/a=b\n");
    EXPECT_EQ(imp.status, 0) << imp.out;
    const Result r = RunCfg("dump " + File());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "[Update]\nVersion=1.0.3\nServerIP=127.0.0.1\n\n[Server]\nServiceURL=http://h/a=b\n");
    EXPECT_EQ(RunCfg("del " + File() + " Update ServerIP").status, 0);
    EXPECT_EQ(RunCfg("del " + File() + " Server").status, 0);
    EXPECT_EQ(RunCfg("dump --json " + File()).out,
              "{\n  \"Update\": {\n    \"Version\": \"1.0.3\"\n  }\n}\n");
}

TEST_F(CfgToolTest, BadUsageAndUnreadableFilesFailWithAReason) {
    EXPECT_EQ(RunCfg("").status, 2);
    EXPECT_EQ(RunCfg("frobnicate " + File()).status, 2);
    EXPECT_EQ(RunCfg("get " + File() + " onlysection").status, 2);
    WriteFile(File(), "not enciphered");
    const Result r = RunCfg("dump " + File());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("damaged"), std::string::npos);
    EXPECT_EQ(RunCfg("import " + File(), "key=before-section\n").status, 2);
    EXPECT_EQ(RunCfg("--help").status, 0);
}

TEST_F(CfgToolTest, PlainCatalogsCanBeRead) {
    WriteFile(dir / "UpdateConfig.ini", "[Version]\nVERSION=1.10\n");
    const Result r =
        RunCfg("--plain get " + (dir / "UpdateConfig.ini").string() + " Version VERSION");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1.10\n");
    EXPECT_EQ(RunCfg("--plain set " + (dir / "UpdateConfig.ini").string() + " a b c").status, 2);
}

// Shell-quoted, so arbitrary bytes reach the tool as one argument.
std::string Q(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

size_t Lines(const std::string& s) {
    return static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
}

TEST_F(CfgToolTest, AnythingButARegularFileIsRefusedWithoutBlocking) {
    std::filesystem::create_directories(dir / "folder.dat");
    std::vector<std::string> targets{(dir / "folder.dat").string()};
#ifndef _WIN32
    const auto fifo = dir / "fifo.dat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    targets.push_back(fifo.string());
    targets.push_back("/dev/null");
#endif
    for (const auto& target : targets) {
        for (const std::string& args :
             {"get " + Q(target) + " a b", "dump " + Q(target), "set " + Q(target) + " a b c",
              "import " + Q(target), "--plain get " + Q(target) + " a b",
              "--plain dump " + Q(target)}) {
            const Result r = RunCfg(args, "[a]\nb=c\n");
            EXPECT_EQ(r.status, 2) << args << ": " << r.out;
            EXPECT_NE(r.out.find("is not a regular file"), std::string::npos)
                << args << ": " << r.out;
            EXPECT_EQ(Lines(r.out), 1u) << r.out;
        }
    }
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
#endif
}

TEST_F(CfgToolTest, TextThatCannotBeStoredExactlyIsRefused) {
    ASSERT_EQ(RunCfg("set " + File() + " S keep 1").status, 0);
    struct Case {
        std::string args;
        std::string input;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"set " + File() + " S " + Q("\xff") + " v", "", "key: text is not valid UTF-8"},
        {"set " + File() + " S " + Q("\xfe") + " v", "", "key: text is not valid UTF-8"},
        {"set " + File() + " " + Q("s\xc3") + " k v", "", "section: text is not valid UTF-8"},
        {"set " + File() + " S k " + Q("a\xe4\xb8"), "", "value: text is not valid UTF-8"},
        {"set " + File() + " S k " + Q("\xf0\x9f\x98\x80"), "", "has no form in GBK"},
        {"get " + File() + " S " + Q("\xff"), "", "key: text is not valid UTF-8"},
        {"del " + File() + " " + Q("\xff"), "", "section: text is not valid UTF-8"},
        {"import " + File(), std::string("[S]\na=1\nb\0x=2\n", 15),
         "line 3: key: text holds a NUL byte"},
        {"import " + File(), std::string("[S]\na=1\nb=2\0x\n", 15),
         "line 3: value: text holds a NUL byte"},
        {"import " + File(), "[S]\na=1\nb=\xff\n", "line 3: value: text is not valid UTF-8"},
        {"import " + File(), "[S\xff]\na=1\n", "line 1: section: text is not valid UTF-8"},
        {"import " + File(), "[S]\n=1\n", "line 2: empty key"},
    };
    for (const Case& c : cases) {
        std::string reason = c.reason;
#ifdef _WIN32
        // Arguments travel as UTF-16 there: bytes that are no UTF-8 arrive as
        // U+FFFD, which GBK cannot hold either.
        if (c.input.empty() && reason.ends_with("text is not valid UTF-8"))
            reason = "character U+FFFD has no form in GBK";
#endif
        const Result r = RunCfg(c.args, c.input);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.out.find(reason), std::string::npos) << c.args << ": " << r.out;
        EXPECT_EQ(Lines(r.out), 1u) << r.out;
    }
    // Nothing was stored, not even the good lines before a bad one.
    EXPECT_EQ(RunCfg("dump " + File()).out, "[S]\nkeep=1\n");

    ScopedEnv unknown{"ZEVA_ACP", "NO-SUCH-CODEPAGE"};
    const Result r = RunCfg("set " + File() + " S k v");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("unknown code page 'NO-SUCH-CODEPAGE'"), std::string::npos) << r.out;
}

TEST_F(CfgToolTest, FileNamesAreUsedByteForByte) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows file names are UTF-16 text, not bytes";
#endif
    const std::string name = (dir /
                              "\xff"
                              "A.dat")
                                 .string();
    ASSERT_EQ(RunCfg("set " + Q(name) + " S k v").status, 0);
    EXPECT_TRUE(std::filesystem::exists(name));
    EXPECT_FALSE(std::filesystem::exists(dir / "?A.dat"));
    EXPECT_EQ(RunCfg("get " + Q(name) + " S k").out, "v\n");
    // A GBK name whose trail byte is a backslash stays one file name too.
    const std::string gbk = (dir / "\x95\x5c.dat").string();
    ASSERT_EQ(RunCfg("set " + Q(gbk) + " S k v").status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(gbk));
}

TEST_F(CfgToolTest, DumpRefusesWhatIniTextCannotHoldAndJsonShowsIt) {
    struct Case {
        std::string section, key, value, reason;
    };
    const std::vector<Case> cases = {
        {"S", "k", "a\n[Injected]\nx=1", "value of [S] k holds a line break"},
        {"S", "k", "a\rb", "value of [S] k holds a line break"},
        {"S", "k", " padded", "value of [S] k starts or ends with a blank"},
        {"S", "a=b", "v", "key [S] a=b holds '='"},
        {"S", "[T]", "v", "key [S] [T] starts with '['"},
        {"S", ";c", "v", "key [S] ;c starts with ';'"},
        {"S]x", "k", "v", "section 'S]x' holds ']'"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(File());
        {
            CCryptConfigFile f(File(), "");
            ASSERT_EQ(f.WriteString("Good", "k", "v"), 0);
            ASSERT_EQ(f.WriteString(c.section, c.key, c.value), 0);
        }
        Result r = RunCfg("dump " + File());
        EXPECT_EQ(r.status, 2) << c.reason;
        EXPECT_NE(r.out.find(c.reason), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("use --json"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("[Good]"), std::string::npos) << "printed before refusing: " << r.out;
        EXPECT_EQ(Lines(r.out), 1u) << r.out;
        r = RunCfg("dump --json " + File());
        EXPECT_EQ(r.status, 0) << r.out;
    }
    std::filesystem::remove(File());
    CCryptConfigFile(File(), "").WriteString("S", "k", "a\n[Injected]\tx");
    EXPECT_EQ(RunCfg("dump --json " + File()).out,
              "{\n  \"S\": {\n    \"k\": \"a\\n[Injected]\\tx\"\n  }\n}\n");
}

// Values can come from server answers ("UserData.dat"): what would steer the
// terminal is printed escaped, a tab as itself.
TEST_F(CfgToolTest, ControlCharactersInStoredTextArePrintedEscaped) {
    struct Case {
        std::string stored, shown;
    };
    const std::vector<Case> cases = {
        {"a\x1b]0;owned\x07"
         "b",
         "a\\x1b]0;owned\\x07b"},
        {"\x1b[2J", "\\x1b[2J"},
        {"del\x7f", "del\\x7f"},
        {"tab\tkept", "tab\tkept"},
        {"plain \xe4\xb8\xad", "plain \xe4\xb8\xad"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(File());
        const std::string stored = zeva::Utf8ToAcp(c.stored);
        ASSERT_EQ(CCryptConfigFile(File(), "").WriteString("UserInfo", "City", stored), 0);
        ASSERT_EQ(CCryptConfigFile(File(), "").WriteString("S\x1b", "k\x1b", "v"), 0);
        Result r = RunCfg("get " + File() + " UserInfo City");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.shown + "\n") << c.shown;
        r = RunCfg("dump " + File());
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "[UserInfo]\nCity=" + c.shown + "\n\n[S\\x1b]\nk\\x1b=v\n") << c.shown;
        EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    }
    // A line break in a value read with get is shown, not obeyed.
    CCryptConfigFile(File(), "").WriteString("S", "k", "a\nb");
    EXPECT_EQ(RunCfg("get " + File() + " S k").out, "a\\nb\n");
}

TEST_F(CfgToolTest, DumpedTextImportsBackWhole) {
    std::string text = "[Update]\nVersion=1.0.3\nPath=plug\\a.dll\n\n[Big]\n";
    for (int i = 0; i < 3000; ++i)
        text += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
    ASSERT_EQ(RunCfg("import " + File(), text).status, 0);
    const Result dump = RunCfg("dump " + File());
    ASSERT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out, text);
    const std::string copy = (dir / "Copy.dat").string();
    const Result imp = RunCfg("import " + copy, dump.out);
    EXPECT_EQ(imp.status, 0) << imp.out;
    EXPECT_NE(imp.out.find("imported 3002 keys"), std::string::npos) << imp.out;
    EXPECT_EQ(RunCfg("dump " + copy).out, text);
}

}  // namespace
