// Name look-ups on Windows: the system's own resolver (GetAddrInfoW: the
// hosts file, DNS, LLMNR and NetBIOS names, as Windows resolves them) on a
// worker of this plug-in, waited for up to the limit. A look-up that
// outlasts the limit finishes on its own; the plug-in's unload joins it
// with its other workers, so none runs once the library is gone.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "SocketSys.h"
#include "SystemResolver_p.h"
#include "platform/CodePage.h"
#include "platform/WinText.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace zeva::plug {

namespace detail {
// The plug-in's worker set (AsyncCalls.cpp), joined by its unload hook; the
// page kit's header would bring the dialog model, whose GDI names windows.h
// also defines.
void StartWorker(std::function<void()> body);
}  // namespace detail

namespace {

struct Lookup {
    std::mutex lock;
    std::condition_variable cv;
    bool done = false;
    std::string first;  // the first IPv4 address, dotted
};

std::string FirstIpv4(const std::wstring& host) {
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* list = nullptr;
    if (GetAddrInfoW(host.c_str(), nullptr, &hints, &list) != 0) return {};
    std::string out;
    for (const ADDRINFOW* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addr == nullptr) continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        out = zeva::sock::Ipv4Text(ntohl(in->sin_addr.s_addr));
        break;
    }
    FreeAddrInfoW(list);
    return out;
}

class WinResolver final : public IResolver {
public:
    unsigned Resolve(const std::string& host, unsigned timeoutMs,
                     std::string& firstAddress) override {
        firstAddress.clear();
        const auto start = std::chrono::steady_clock::now();
        auto elapsed = [&start] {
            return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - start)
                                             .count());
        };
        if (host.empty() || !zeva::sock::Startup()) return elapsed();
        // Host names reach the pages in the system code page.
        const std::wstring wide = zeva::win::Wide(zeva::AcpToUtf8(host));
        auto lookup = std::make_shared<Lookup>();
        detail::StartWorker([lookup, wide] {
            std::string first = FirstIpv4(wide);
            std::lock_guard<std::mutex> hold(lookup->lock);
            lookup->first = std::move(first);
            lookup->done = true;
            lookup->cv.notify_all();
        });
        std::unique_lock<std::mutex> hold(lookup->lock);
        if (lookup->cv.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                [&lookup] { return lookup->done; }))
            firstAddress = lookup->first;
        return elapsed();
    }
};

}  // namespace

std::shared_ptr<IResolver> NewSystemResolver() {
    return std::make_shared<WinResolver>();
}

}  // namespace zeva::plug
