// The parts of the test support that ask the operating system: scratch
// folders, the environment and a loopback port nobody listens on.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "TestSupport.h"

namespace zeva::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "zeva-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    if (value)
        ::setenv(name_.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (old_)
        ::setenv(name_.c_str(), old_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

unsigned short ClosedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    // Bound but never listening: the kernel refuses connections to it.
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("cannot find a free loopback port");
    }
    ::close(fd);
    return ntohs(addr.sin_port);
}

const fs::path& PrivateRuntimeDir() {
    struct Folder {
        Folder() {
            std::string pattern = (fs::temp_directory_path() / "zeva-test-run-XXXXXX").string();
            // mkdtemp makes it 0700, as a runtime folder must be.
            if (::mkdtemp(pattern.data()) == nullptr) return;
            path = pattern;
            ::setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
        }
        ~Folder() {
            std::error_code ec;
            if (!path.empty()) fs::remove_all(path, ec);
        }
        fs::path path;
    };
    static Folder folder;
    return folder.path;
}

namespace {
// Before main: still one thread, so setting the environment races with nothing.
const bool kRuntimeDirReady = !PrivateRuntimeDir().empty();
}  // namespace

}  // namespace zeva::test
