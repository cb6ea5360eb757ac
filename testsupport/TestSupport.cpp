#include "TestSupport.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace zeva::test {

namespace fs = std::filesystem;

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

fs::path ProgramPath(const std::string& name) {
    fs::path path = fs::path(ZEVA_BINARY_DIR) / name;
    // "zeva-cfg" is "zeva-cfg.exe" on Windows.
    if (!path.has_extension()) path += ZEVA_EXECUTABLE_SUFFIX;
    return path;
}

}  // namespace zeva::test
