#pragma once
// Small helpers shared by the test executables: scratch directories and
// scoped environment variables.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace zeva::test {

// A fresh directory under the system's temporary folder, removed on destruction.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();

private:
    std::string name_;
    std::optional<std::string> old_;
};

void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string ReadFile(const std::filesystem::path& path);

// Polls `done` every 20 ms until it holds; false once `limit` has passed.
// Only for what another process does (its window, its files): no clock of
// ours drives that.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(30));

// A loopback port on which nothing listens (connections are refused).
unsigned short ClosedLoopbackPort();

// A path of this build tree's executable, for tests that run the programs.
std::filesystem::path ProgramPath(const std::string& name);

// The runtime folder (XDG_RUNTIME_DIR) of this test program and of every
// program it starts, made before main runs and removed at exit. Hosts,
// updaters and stand-in windows of one test find one another by window
// class there, never those of a test running beside it.
const std::filesystem::path& PrivateRuntimeDir();

}  // namespace zeva::test
