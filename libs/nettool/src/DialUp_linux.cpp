// Dial-up links on Linux: pppd's PPP interfaces, pid files and peer files.
#include "DialUp.h"

#include <net/if.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "SysProbe.h"
#include "platform/CodePage.h"

namespace {

using zeva::probe::ReadText;
using zeva::probe::SysPath;

std::string FirstLine(const std::optional<std::string>& s) {
    if (!s) return {};
    return s->substr(0, s->find('\n'));
}

std::vector<std::string> CmdLine(const std::string& pid) {
    std::vector<std::string> args;
    const auto raw = ReadText(SysPath("/proc/" + pid + "/cmdline"));
    if (!raw) return args;
    std::size_t pos = 0;
    while (pos < raw->size()) {
        auto end = raw->find('\0', pos);
        if (end == std::string::npos) end = raw->size();
        args.push_back(raw->substr(pos, end - pos));
        pos = end + 1;
    }
    return args;
}

std::string PeerFileText(const std::string& phoneBook, const std::string& peer) {
    if (peer.empty() || peer.find('/') != std::string::npos) return {};
    const std::string dir = phoneBook.empty() ? SysPath("/etc/ppp/peers") : phoneBook;
    return ReadText(dir + "/" + peer).value_or("");
}

struct Link {
    std::string iface;
    std::string peer;
    std::vector<std::string> args;
};

// The pid file pppd writes for each link names its process, whose command
// line tells the peer ("call NAME" or "file PATH").
Link DescribeLink(const std::string& iface) {
    Link link{iface, {}, {}};
    std::string pid = FirstLine(ReadText(SysPath("/run/" + iface + ".pid")));
    if (pid.empty()) pid = FirstLine(ReadText(SysPath("/var/run/" + iface + ".pid")));
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) return link;
    link.args = CmdLine(pid);
    for (std::size_t i = 0; i + 1 < link.args.size(); ++i) {
        if (link.args[i] == "call") link.peer = link.args[i + 1];
        if (link.args[i] == "file" && link.peer.empty())
            link.peer = std::filesystem::path(link.args[i + 1]).filename().string();
    }
    return link;
}

bool IsPppoe(const Link& link, const std::string& peerText) {
    auto mentions = [](const std::string& s) {
        return s.find("pppoe") != std::string::npos || s.find("rp-pppoe") != std::string::npos;
    };
    for (const auto& a : link.args)
        if (mentions(a)) return true;
    return mentions(peerText);
}

}  // namespace

CDialUp::CDialUp(std::string entryName, std::string phoneBook)
    : entryName_(std::move(entryName)), phoneBook_(std::move(phoneBook)) {}

int CDialUp::GetActiveDialUp(CDialUp& dialUp, bool& active, std::string& name, DIAL_TYPE type) {
    active = false;
    name.clear();
    try {
        if (!std::filesystem::exists(SysPath("/sys/class/net"))) return -1;
        for (const auto& iface : zeva::probe::RealInterfaces()) {
            const std::string base = SysPath("/sys/class/net/" + iface);
            if (std::atoi(FirstLine(ReadText(base + "/type")).c_str()) != 512)
                continue;  // ARPHRD_PPP
            const unsigned flags = static_cast<unsigned>(
                std::strtoul(FirstLine(ReadText(base + "/flags")).c_str(), nullptr, 16));
            if ((flags & IFF_UP) == 0 || (flags & IFF_RUNNING) == 0) continue;
            const Link link = DescribeLink(iface);
            if (!dialUp.entryName_.empty() && !link.peer.empty() && link.peer != dialUp.entryName_)
                continue;
            const std::string peerText = PeerFileText(dialUp.phoneBook_, link.peer);
            const bool pppoe = IsPppoe(link, peerText);
            if ((type == DIAL_TYPE_PPPOE && !pppoe) || (type == DIAL_TYPE_MODEM && pppoe)) continue;
            active = true;
            name = zeva::Utf8ToAcp(link.peer.empty() ? iface : link.peer);
            if (!link.peer.empty()) dialUp.entryName_ = link.peer;
            dialUp.interface_ = iface;
            return 0;
        }
        return 0;
    } catch (...) {
        return -1;
    }
}

int CDialUp::GetActiveDialUp(bool& active, std::string& name, DIAL_TYPE type) {
    CDialUp any("", "");
    return GetActiveDialUp(any, active, name, type);
}

int CDialUp::GetStoredUserName(std::string& user) const {
    user.clear();
    std::istringstream in(PeerFileText(phoneBook_, entryName_));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key != "user") continue;
        std::string rest;
        std::getline(words, rest);
        const auto start = rest.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        rest = rest.substr(start);
        if (rest.front() == '"') {
            const auto close = rest.find('"', 1);
            rest = rest.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        } else {
            rest = rest.substr(0, rest.find_first_of(" \t\r"));
        }
        if (rest.empty()) continue;
        user = zeva::Utf8ToAcp(rest);
        return 0;
    }
    return -1;
}
