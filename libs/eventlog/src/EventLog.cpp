#include "EventLog.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/CodePage.h"

namespace {

constexpr int kPriority = 1 * 8 + 3;    // facility user, severity error
constexpr std::size_t kMaxText = 1800;  // well inside the 2,048 bytes every syslog daemon takes

// Control characters would split or forge records: they become spaces.
std::string OneLine(const std::string& acp) {
    std::string s = zeva::AcpToUtf8(acp);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return s;
}

// A syslog tag: printable ASCII without the characters that end it.
std::string Tag(const std::string& module) {
    std::string t;
    for (char c : module) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x20 && u < 0x7F && c != ':' && c != '[' && c != ']') t += c;
        if (t.size() == 32) break;
    }
    return t.empty() ? "zeva" : t;
}

// Cuts at a character boundary of the UTF-8 text.
void Truncate(std::string& s, std::size_t max) {
    if (s.size() <= max) return;
    std::size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    s.resize(cut);
}

bool SendTo(const std::string& path, const std::string& record) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    for (int type : {SOCK_DGRAM, SOCK_STREAM}) {
        const int fd = socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        bool ok = false;
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            // A stream socket needs a terminator between records.
            const std::string data = type == SOCK_STREAM ? record + '\n' : record;
            ok = send(fd, data.data(), data.size(), MSG_NOSIGNAL) ==
                 static_cast<ssize_t>(data.size());
        }
        const bool wrongType = errno == EPROTOTYPE;
        close(fd);
        if (ok) return true;
        if (!wrongType) return false;
    }
    return false;
}

}  // namespace

int WriteSysEventLog(const std::string& module, const std::string& buildTime,
                     const std::string& sourceFile, const std::string& function, const int& line,
                     const std::string& message, const std::string& category) {
    try {
        const char* env = std::getenv("ZEVA_SYSLOG_SOCKET");
        const std::string path = env != nullptr && *env != '\0' ? env : "/dev/log";

        std::string text = "[" + OneLine(category) + "] " + OneLine(message) + " (" +
                           OneLine(sourceFile) + " " + OneLine(function) + ":" +
                           std::to_string(line) + ", built " + OneLine(buildTime) + ")";
        Truncate(text, kMaxText);

        char stamp[32] = {};
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(stamp, sizeof stamp, "%b %e %H:%M:%S", &local);
        const std::string record = "<" + std::to_string(kPriority) + ">" + stamp + " " +
                                   Tag(module) + "[" + std::to_string(getpid()) + "]: " + text;
        return SendTo(path, record) ? 0 : -1;
    } catch (...) {
        return -1;
    }
}
