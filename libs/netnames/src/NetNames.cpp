#include "NetNames.h"

#include <ares.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>

#include "NamePackets.h"

namespace zeva::netnames {

namespace {

// Socket time-outs are real time, whatever clock the program's timers run on.
using SteadyClock = std::chrono::steady_clock;

struct Slot {
    std::string ip;
    in_addr addr{};
    std::string netbios, mdns, dns;
    bool dnsDone = false;
};

class UdpSocket {
public:
    UdpSocket() { fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }
    ~UdpSocket() {
        if (fd_ >= 0) close(fd_);
    }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
    int fd() const { return fd_; }
    void SendTo(const Packet& p, in_addr to, std::uint16_t port) const {
        if (fd_ < 0 || p.empty()) return;
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr = to;
        sa.sin_port = htons(port);
        // A device that is gone answers with nothing; an error here is the same.
        (void)sendto(fd_, p.data(), p.size(), 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    }

private:
    int fd_ = -1;
};

struct Search {
    std::vector<Slot> slots;
    std::uint16_t nbBase = 0, mdnsBase = 0;
    LookupOptions options;

    Slot* BySource(const sockaddr_in& from, std::uint16_t id, std::uint16_t base,
                   std::uint16_t port) {
        if (ntohs(from.sin_port) != port) return nullptr;
        const auto index = static_cast<std::uint16_t>(id - base);
        if (index >= slots.size()) return nullptr;
        Slot& s = slots[index];
        // An answer counts only from the device that was asked.
        return s.addr.s_addr == from.sin_addr.s_addr ? &s : nullptr;
    }
};

void ReadAnswers(int fd, Search& search, bool netbios) {
    std::uint8_t buf[1500];
    for (;;) {
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n =
            recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n <= 0) return;
        std::uint16_t id = 0;
        bool response = false;
        const auto size = static_cast<std::size_t>(n);
        if (!ReadHeader(buf, size, id, response) || !response) continue;
        if (netbios) {
            Slot* s = search.BySource(from, id, search.nbBase, search.options.netbiosPort);
            std::vector<NetBiosName> names;
            if (!s || !s->netbios.empty() || !ParseNodeStatusReply(buf, size, names)) continue;
            s->netbios = CleanName(ComputerNameOf(names));
        } else {
            Slot* s = search.BySource(from, id, search.mdnsBase, search.options.mdnsPort);
            if (!s || !s->mdns.empty()) continue;
            std::string name = ParsePtrReply(buf, size);
            if (name.size() > 6 && strcasecmp(name.c_str() + name.size() - 6, ".local") == 0)
                name.resize(name.size() - 6);
            s->mdns = CleanName(name);
        }
    }
}

struct DnsQuery {
    Slot* slot;
};

void OnHost(void* arg, int status, int, hostent* host) {
    auto* q = static_cast<DnsQuery*>(arg);
    q->slot->dnsDone = true;
    if (status == ARES_SUCCESS && host && host->h_name) q->slot->dns = CleanName(host->h_name);
}

void InitAresOnce() {
    static std::once_flag once;
    std::call_once(once, [] { ares_library_init(ARES_LIB_INIT_ALL); });
}

// The system's resolver through c-ares, so the look-ups share the search's
// time budget and can be abandoned (the C library's resolver blocks).
class DnsChannel {
public:
    DnsChannel(const LookupOptions& o, int budgetMs) {
        InitAresOnce();
        ares_options opts{};
        int mask = ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_LOOKUPS;
        opts.timeout = std::max(200, budgetMs / 3);
        opts.tries = 2;
        char systemOrder[] = "fb", dnsOnly[] = "b";
        opts.lookups = o.dnsServers.empty() ? systemOrder : dnsOnly;
        if (ares_init_options(&channel_, &opts, mask) != ARES_SUCCESS) {
            channel_ = nullptr;
            return;
        }
        if (!o.dnsServers.empty() &&
            ares_set_servers_ports_csv(channel_, o.dnsServers.c_str()) != ARES_SUCCESS) {
            ares_destroy(channel_);
            channel_ = nullptr;
        }
    }
    ~DnsChannel() {
        if (channel_) ares_destroy(channel_);
    }
    DnsChannel(const DnsChannel&) = delete;
    DnsChannel& operator=(const DnsChannel&) = delete;
    ares_channel get() const { return channel_; }

private:
    ares_channel channel_ = nullptr;
};

bool SlotComplete(const Slot& slot, const LookupOptions& o) {
    // A NetBIOS name is the best there is; devices that have none never say
    // so, so waiting for one lasts the whole budget.
    if (!slot.netbios.empty()) return true;
    if (o.netbios) return false;
    if (!slot.mdns.empty()) return true;
    if (o.mdns) return false;
    return slot.dnsDone || !o.dns;
}

bool Finished(const Search& s) {
    return std::all_of(s.slots.begin(), s.slots.end(),
                       [&](const Slot& slot) { return SlotComplete(slot, s.options); });
}

}  // namespace

std::vector<FoundName> LookupNames(const std::vector<std::string>& ips,
                                   const LookupOptions& options,
                                   const std::function<bool()>& cancelled) {
    Search search;
    search.options = options;
    for (const std::string& ip : ips) {
        Slot s;
        s.ip = ip;
        if (inet_pton(AF_INET, ip.c_str(), &s.addr) == 1) search.slots.push_back(s);
    }
    if (search.slots.empty() || search.slots.size() > 0xF000) return {};
    std::random_device seed;
    search.nbBase = static_cast<std::uint16_t>(seed());
    search.mdnsBase = static_cast<std::uint16_t>(seed());

    const auto start = SteadyClock::now();
    const auto deadline = start + std::chrono::milliseconds(options.budgetMs);
    UdpSocket nb, mdns;
    // The DNS channel is made after the slots are final: its callbacks keep pointers to them.
    std::vector<DnsQuery> queries(search.slots.size());
    std::unique_ptr<DnsChannel> dns;
    if (options.dns) {
        dns = std::make_unique<DnsChannel>(options, options.budgetMs);
        if (dns->get()) {
            for (std::size_t i = 0; i < search.slots.size(); ++i) {
                queries[i].slot = &search.slots[i];
                ares_gethostbyaddr(dns->get(), &search.slots[i].addr, sizeof(in_addr), AF_INET,
                                   OnHost, &queries[i]);
            }
        } else {
            for (Slot& s : search.slots) s.dnsDone = true;
        }
    }

    auto nextSend = start;
    while (!Finished(search)) {
        if (cancelled && cancelled()) break;
        const auto now = SteadyClock::now();
        if (now >= deadline) break;
        if (now >= nextSend) {
            for (std::size_t i = 0; i < search.slots.size(); ++i) {
                const Slot& s = search.slots[i];
                const auto index = static_cast<std::uint16_t>(i);
                if (options.netbios && s.netbios.empty())
                    nb.SendTo(
                        BuildNodeStatusQuery(static_cast<std::uint16_t>(search.nbBase + index)),
                        s.addr, options.netbiosPort);
                if (options.mdns && s.mdns.empty())
                    mdns.SendTo(BuildPtrQuery(static_cast<std::uint16_t>(search.mdnsBase + index),
                                              s.ip, false),
                                s.addr, options.mdnsPort);
            }
            nextSend = now + std::chrono::milliseconds(std::max(50, options.resendMs));
        }

        std::vector<pollfd> fds;
        fds.push_back({nb.fd(), POLLIN, 0});
        fds.push_back({mdns.fd(), POLLIN, 0});
        ares_socket_t aresSocks[ARES_GETSOCK_MAXNUM];
        int aresBits = 0;
        if (dns && dns->get()) aresBits = ares_getsock(dns->get(), aresSocks, ARES_GETSOCK_MAXNUM);
        for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
            short ev = 0;
            if (ARES_GETSOCK_READABLE(aresBits, i)) ev |= POLLIN;
            if (ARES_GETSOCK_WRITABLE(aresBits, i)) ev |= POLLOUT;
            if (ev) fds.push_back({aresSocks[i], ev, 0});
        }
        // Short waits keep the search responsive to cancellation.
        auto wait =
            std::min({deadline, nextSend, SteadyClock::now() + std::chrono::milliseconds(50)}) -
            SteadyClock::now();
        int waitMs =
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count());
        if (dns && dns->get()) {
            timeval max{0, waitMs * 1000}, tv{};
            if (timeval* t = ares_timeout(dns->get(), &max, &tv))
                waitMs = std::min(waitMs, static_cast<int>(t->tv_sec * 1000 + t->tv_usec / 1000));
        }
        const int ready = poll(fds.data(), static_cast<nfds_t>(fds.size()), std::max(0, waitMs));
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) ReadAnswers(nb.fd(), search, true);
        if (fds[1].revents & POLLIN) ReadAnswers(mdns.fd(), search, false);
        if (dns && dns->get()) {
            bool any = false;
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (!fds[i].revents) continue;
                any = true;
                ares_process_fd(
                    dns->get(),
                    (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) ? fds[i].fd : ARES_SOCKET_BAD,
                    (fds[i].revents & POLLOUT) ? fds[i].fd : ARES_SOCKET_BAD);
            }
            // Lets c-ares retry or give up queries whose time ran out.
            if (!any) ares_process_fd(dns->get(), ARES_SOCKET_BAD, ARES_SOCKET_BAD);
        }
    }
    dns.reset();  // callbacks of abandoned queries run now, while the slots still exist

    std::vector<FoundName> out;
    for (const Slot& s : search.slots) {
        if (!s.netbios.empty())
            out.push_back({s.ip, s.netbios, NameSource::NetBios});
        else if (!s.mdns.empty())
            out.push_back({s.ip, s.mdns, NameSource::Mdns});
        else if (!s.dns.empty())
            out.push_back({s.ip, s.dns, NameSource::Dns});
    }
    return out;
}

}  // namespace zeva::netnames
