// The parts of the test support that ask Windows: scratch folders (named in
// UTF-16), the environment (both the C runtime's copy and the process's, as
// programs started by a test read the latter) and a closed loopback port.
// Winsock's header must come before the one of windows.h.
#include <winsock2.h>

#include <windows.h>

#include <random>
#include <stdexcept>

#include "TestSupport.h"
#include "WideText_p.h"

namespace zeva::test {

namespace fs = std::filesystem;

namespace {

void SetVariable(const std::string& name, const std::optional<std::string>& value) {
    const std::wstring wname = Wide(name);
    const std::wstring wvalue = value ? Wide(*value) : std::wstring();
    _wputenv_s(wname.c_str(), wvalue.c_str());
    SetEnvironmentVariableW(wname.c_str(), value ? wvalue.c_str() : nullptr);
}

}  // namespace

TempDir::TempDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / (L"zeva-test-" + std::to_wstring(rd()));
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch folder");
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const wchar_t* old = _wgetenv(Wide(name_).c_str())) old_ = Narrow(old);
    SetVariable(name_, value);
}

ScopedEnv::~ScopedEnv() {
    SetVariable(name_, old_);
}

unsigned short ClosedLoopbackPort() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    // Bound but never listening: connections to it are refused.
    if (s == INVALID_SOCKET || ::bind(s, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (s != INVALID_SOCKET) closesocket(s);
        throw std::runtime_error("cannot find a free loopback port");
    }
    closesocket(s);
    return ntohs(addr.sin_port);
}

// Windows finds windows by their handles, not through a runtime folder: the
// folder only keeps what a test's programs leave apart from other tests'.
const fs::path& PrivateRuntimeDir() {
    static TempDir folder;
    return folder.path();
}

}  // namespace zeva::test
