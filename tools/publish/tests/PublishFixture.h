#pragma once
// What the publisher's tests share: zeva-publish run like a user runs it, and
// a release folder with a Chinese name in it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProgramRunner.h"
#include "TestSupport.h"
#include "platform/AppPath.h"

namespace zeva::test::publish {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out;     // both outputs, as the user sees them
    std::string stdOut;  // standard output alone
};

// The words of a command line as a POSIX shell takes them (blanks separate,
// single quotes group, '' is an empty word), so the cases read as typed.
inline std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> out;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (quoted) {
            if (c == '\'') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '\'') {
            quoted = inWord = true;
        } else if (c == ' ') {
            if (inWord) out.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) out.push_back(word);
    return out;
}

// zeva-publish run with those words (no shell), both outputs together.
inline Result Publish(const std::string& args) {
    const zeva::test::RunResult r =
        zeva::test::RunProgram(zeva::test::ProgramPath("zeva-publish"), Words(args));
    return {r.exitCode, r.out + r.err, r.out};
}

// A path quoted for Words, in UTF-8 as the programs take their arguments.
inline std::string Q(const fs::path& p) {
    return "'" + zeva::Utf8Path(p) + "'";
}

class PublishTest : public ::testing::Test {
protected:
    zeva::test::TempDir dir;
    zeva::test::ScopedEnv acp{"ZEVA_ACP", std::nullopt};  // GBK, as on the clients
    fs::path release = dir / "release";

    void SetUp() override {
        zeva::test::WriteFile(release / "ZEVAClient", "client v2");
        zeva::test::WriteFile(release / zeva::PathFromUtf8("插件/工具.dll"), "tool");
        zeva::test::WriteFile(release / "empty.dat", "");
    }
};

// The printed public key of `keygen`, from its --json answer.
inline std::string PublicKeyOf(const Result& r) {
    const std::string tag = "\"publicKey\":\"";
    const size_t at = r.out.find(tag);
    if (at == std::string::npos) return {};
    return r.out.substr(at + tag.size(), r.out.find('"', at + tag.size()) - at - tag.size());
}

}  // namespace zeva::test::publish
