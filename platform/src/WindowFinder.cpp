#include "platform/WindowFinder.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "MessageQueue_p.h"
#include "Process_p.h"
#include "platform/MessageQueue.h"
#include "platform/RuntimeDir.h"

namespace zeva {

namespace fs = std::filesystem;

namespace {

constexpr int kSendReplyTimeoutMs = 60000;
constexpr int kConnectTimeoutMs = 2000;

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// File-name-safe form of a class name.
std::string Hex(const std::string& s) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 0xF]);
    }
    return out;
}

std::optional<fs::path> WindowsDirectory() {
    auto dir = UserRuntimeDirectory();
    if (!dir) return std::nullopt;
    std::error_code ec;
    fs::create_directories(*dir / "windows", ec);
    return *dir / "windows";
}

bool FillAddress(const fs::path& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.native().size());
    return true;
}

bool WaitFd(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int rc = ::poll(&p, 1, timeoutMs);
        if (rc < 0 && errno == EINTR) continue;
        return rc > 0;
    }
}

std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    char c;
    while (line.size() < 256 && WaitFd(fd, POLLIN, timeoutMs)) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n <= 0 || c == '\n') break;
        line.push_back(c);
    }
    return line;
}

bool WriteAll(int fd, const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        const ssize_t n = ::send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// One registration: a listening socket served by its own thread.
struct Listener {
    HWND hwnd = nullptr;
    std::vector<UINT> alsoAccepted;
    std::string classLower;
    fs::path socketPath;
    int fd = -1;
};

// Never destroyed: a detached server thread may outlive main().
struct Registrations {
    std::mutex mutex;
    std::vector<std::shared_ptr<Listener>> listeners;
    std::map<std::string, HWND> remoteHandles;  // socket path -> handle of a found window
};

Registrations& Registry() {
    static Registrations* r = new Registrations;
    return *r;
}

// Messages from other processes are a short list: WM_CLOSE (the updaters
// close the client with it) and what the owner declared value-only.
bool AcceptedFromOutside(const Listener& l, UINT message) {
    return message == WM_CLOSE ||
           std::find(l.alsoAccepted.begin(), l.alsoAccepted.end(), message) != l.alsoAccepted.end();
}

// Runs detached: it may be in the middle of forwarding a message (WM_CLOSE,
// say) whose handler is the one withdrawing the registration, so nobody waits
// for it; it ends once the listening socket is shut down.
void Serve(const std::shared_ptr<Listener>& l) {
    for (;;) {
        const int conn = ::accept4(l->fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            break;  // the listening socket was shut down
        }
        ucred cred{};
        socklen_t len = sizeof cred;
        const bool sameUser =
            ::getsockopt(conn, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid();
        const std::string request = sameUser ? ReadLine(conn, 5000) : std::string();
        char kind = 0;
        unsigned int message = 0;
        unsigned long long wParam = 0;
        long long lParam = 0;
        if (std::sscanf(request.c_str(), "%c %u %llu %lld", &kind, &message, &wParam, &lParam) ==
            4) {
            if (!AcceptedFromOutside(*l, message)) {
                std::fprintf(stderr, "window %s: refused message %u from another process\n",
                             l->classLower.c_str(), message);
                if (kind == 'S') WriteAll(conn, "0\n");
            } else if (kind == 'S') {
                const LRESULT r = SendMessage(l->hwnd, message, static_cast<WPARAM>(wParam),
                                              static_cast<LPARAM>(lParam));
                WriteAll(conn, std::to_string(static_cast<long long>(r)) + "\n");
            } else if (kind == 'P') {
                PostMessage(l->hwnd, message, static_cast<WPARAM>(wParam),
                            static_cast<LPARAM>(lParam));
            }
        }
        ::close(conn);
    }
    ::close(l->fd);
}

LRESULT Forward(const fs::path& socketPath, UINT message, WPARAM wParam, LPARAM lParam, bool wait) {
    sockaddr_un addr{};
    if (!FillAddress(socketPath, addr)) return 0;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    LRESULT result = 0;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        WriteAll(fd, std::string(wait ? "S " : "P ") + std::to_string(message) + " " +
                         std::to_string(wParam) + " " + std::to_string(lParam) + "\n") &&
        wait) {
        result = static_cast<LRESULT>(std::atoll(ReadLine(fd, kSendReplyTimeoutMs).c_str()));
    }
    ::close(fd);
    return result;
}

bool Connectable(const fs::path& socketPath) {
    sockaddr_un addr{};
    if (!FillAddress(socketPath, addr)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (!ok && errno == EINPROGRESS) ok = WaitFd(fd, POLLOUT, kConnectTimeoutMs);
    ::close(fd);
    return ok;
}

}  // namespace

bool RegisterWindowClassName(HWND hwnd, const std::string& className,
                             std::vector<UINT> alsoAccepted) {
    if (!IsWindow(hwnd) || className.empty()) return false;
    auto l = std::make_shared<Listener>();
    l->hwnd = hwnd;
    l->alsoAccepted = std::move(alsoAccepted);
    l->classLower = Lower(className);
    const auto dir = WindowsDirectory();
    if (!dir) return false;
    static std::atomic<unsigned> counter{0};
    l->socketPath = *dir / (Hex(l->classLower) + "." + std::to_string(::getpid()) + "." +
                            std::to_string(counter++) + ".sock");
    sockaddr_un addr{};
    if (!FillAddress(l->socketPath, addr)) return false;
    l->fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (l->fd < 0) return false;
    ::unlink(l->socketPath.c_str());
    if (::bind(l->fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(l->fd, 8) != 0) {
        ::close(l->fd);
        return false;
    }
    std::thread([l] { Serve(l); }).detach();
    std::lock_guard<std::mutex> lock(Registry().mutex);
    Registry().listeners.push_back(std::move(l));
    return true;
}

void UnregisterWindowClassName(HWND hwnd) {
    std::vector<std::shared_ptr<Listener>> gone;
    {
        std::lock_guard<std::mutex> lock(Registry().mutex);
        for (auto it = Registry().listeners.begin(); it != Registry().listeners.end();) {
            if ((*it)->hwnd == hwnd) {
                gone.push_back(std::move(*it));
                it = Registry().listeners.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& l : gone) {
        ::unlink(l->socketPath.c_str());
        ::shutdown(l->fd, SHUT_RDWR);  // the server thread's accept fails and it ends
    }
}

HWND FindProcessWindowA(const char* className) {
    if (className == nullptr || *className == '\0') return nullptr;
    const std::string wanted = Lower(className);
    std::lock_guard<std::mutex> lock(Registry().mutex);
    for (const auto& l : Registry().listeners) {
        if (l->classLower == wanted && IsWindow(l->hwnd)) return l->hwnd;
    }
    return nullptr;
}

HWND FindWindowA(const char* className, const char* /*windowName*/) {
    if (className == nullptr || *className == '\0') return nullptr;
    const std::string wanted = Lower(className);
    if (const HWND own = FindProcessWindowA(className)) return own;
    const auto dir = WindowsDirectory();
    if (!dir) return nullptr;
    const std::string prefix = Hex(wanted) + ".";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(*dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        const pid_t pid = static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
        if (pid == ::getpid()) continue;  // this process's own windows were looked at above
        if (!ProcessAlive(pid)) {
            fs::remove(e.path(), ec);  // left behind by a process that died
            continue;
        }
        if (!Connectable(e.path())) continue;
        std::lock_guard<std::mutex> lock(Registry().mutex);
        const std::string key = e.path().string();
        if (auto it = Registry().remoteHandles.find(key);
            it != Registry().remoteHandles.end() && IsWindow(it->second))
            return it->second;
        const fs::path socketPath = e.path();
        HWND h =
            detail::CreateRemoteWindowHandle([socketPath](UINT m, WPARAM w, LPARAM l, bool wait) {
                return Forward(socketPath, m, w, l, wait);
            });
        Registry().remoteHandles[key] = h;
        return h;
    }
    return nullptr;
}

}  // namespace zeva
