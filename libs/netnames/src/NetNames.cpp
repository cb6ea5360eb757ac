#include "NetNames.h"

#include <ares.h>
// struct hostent: Winsock's header (through ares.h) declares it on Windows.
#ifndef _WIN32
#include <netdb.h>
#endif

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>

#include "NamePackets.h"
#include "SocketSys.h"

namespace zeva::netnames {

namespace {

// Socket time-outs are real time, whatever clock the program's timers run on.
using SteadyClock = std::chrono::steady_clock;

namespace sock = zeva::sock;

struct Slot {
    std::string ip;
    std::uint32_t addr = 0;  // host byte order
    std::string netbios, mdns, dns;
    bool dnsDone = false;
};

class UdpSocket {
public:
    UdpSocket() {
        unsigned short port = 0;
        socket_.Reset(sock::OpenUdp(0, port));
    }
    sock::Handle fd() const { return socket_.get(); }
    void SendTo(const Packet& p, std::uint32_t to, std::uint16_t port) const {
        if (!socket_.valid() || p.empty()) return;
        // A device that is gone answers with nothing; an error here is the same.
        (void)sock::SendTo(socket_.get(), p.data(), p.size(), to, port);
    }

private:
    sock::Socket socket_;
};

bool EndsWithLocal(const std::string& name) {
    static constexpr char kLocal[] = ".local";
    if (name.size() <= 6) return false;
    for (std::size_t i = 0; i < 6; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[name.size() - 6 + i])) != kLocal[i])
            return false;
    }
    return true;
}

struct Search {
    std::vector<Slot> slots;
    std::uint16_t nbBase = 0, mdnsBase = 0;
    LookupOptions options;

    Slot* BySource(std::uint32_t fromIp, std::uint16_t fromPort, std::uint16_t id,
                   std::uint16_t base, std::uint16_t port) {
        if (fromPort != port) return nullptr;
        const auto index = static_cast<std::uint16_t>(id - base);
        if (index >= slots.size()) return nullptr;
        Slot& s = slots[index];
        // An answer counts only from the device that was asked.
        return s.addr == fromIp ? &s : nullptr;
    }
};

void ReadAnswers(sock::Handle fd, Search& search, bool netbios) {
    std::uint8_t buf[1500];
    for (;;) {
        std::uint32_t fromIp = 0;
        unsigned short fromPort = 0;
        const long n = sock::ReceiveFrom(fd, buf, sizeof buf, fromIp, fromPort);
        if (n <= 0) return;
        std::uint16_t id = 0;
        bool response = false;
        const auto size = static_cast<std::size_t>(n);
        if (!ReadHeader(buf, size, id, response) || !response) continue;
        if (netbios) {
            Slot* s =
                search.BySource(fromIp, fromPort, id, search.nbBase, search.options.netbiosPort);
            std::vector<NetBiosName> names;
            if (!s || !s->netbios.empty() || !ParseNodeStatusReply(buf, size, names)) continue;
            s->netbios = CleanName(ComputerNameOf(names));
        } else {
            Slot* s =
                search.BySource(fromIp, fromPort, id, search.mdnsBase, search.options.mdnsPort);
            if (!s || !s->mdns.empty()) continue;
            std::string name = ParsePtrReply(buf, size);
            if (EndsWithLocal(name)) name.resize(name.size() - 6);
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
        if (const auto a = sock::ParseIpv4(ip)) {
            s.addr = *a;
            search.slots.push_back(s);
        }
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
                const std::uint32_t a = search.slots[i].addr;
                const std::uint8_t bytes[4] = {
                    static_cast<std::uint8_t>(a >> 24), static_cast<std::uint8_t>(a >> 16),
                    static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)};
                ares_gethostbyaddr(dns->get(), bytes, sizeof bytes, AF_INET, OnHost, &queries[i]);
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

        std::vector<sock::PollEntry> fds;
        fds.push_back({nb.fd(), sock::kReadable, 0});
        fds.push_back({mdns.fd(), sock::kReadable, 0});
        ares_socket_t aresSocks[ARES_GETSOCK_MAXNUM];
        int aresBits = 0;
        if (dns && dns->get()) aresBits = ares_getsock(dns->get(), aresSocks, ARES_GETSOCK_MAXNUM);
        for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
            unsigned ev = 0;
            if (ARES_GETSOCK_READABLE(aresBits, i)) ev |= sock::kReadable;
            if (ARES_GETSOCK_WRITABLE(aresBits, i)) ev |= sock::kWritable;
            if (ev) fds.push_back({static_cast<sock::Handle>(aresSocks[i]), ev, 0});
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
        // A socket that could not be opened is left out of the wait.
        std::erase_if(fds, [](const sock::PollEntry& e) { return e.socket == sock::kNoSocket; });
        const int ready = sock::Poll(fds.data(), fds.size(), std::max(0, waitMs));
        if (ready < 0) break;
        auto readyOf = [&](sock::Handle h) {
            for (const auto& e : fds)
                if (e.socket == h) return e.ready;
            return 0u;
        };
        if (readyOf(nb.fd()) & sock::kReadable) ReadAnswers(nb.fd(), search, true);
        if (readyOf(mdns.fd()) & sock::kReadable) ReadAnswers(mdns.fd(), search, false);
        if (dns && dns->get()) {
            bool any = false;
            for (const auto& e : fds) {
                if (e.ready == 0 || e.socket == nb.fd() || e.socket == mdns.fd()) continue;
                any = true;
                const auto s = static_cast<ares_socket_t>(e.socket);
                ares_process_fd(dns->get(),
                                (e.ready & (sock::kReadable | sock::kFailed)) ? s : ARES_SOCKET_BAD,
                                (e.ready & sock::kWritable) ? s : ARES_SOCKET_BAD);
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
