// Name look-ups on Linux: glibc's asynchronous getaddrinfo, given up at the limit.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <chrono>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "SystemResolver_p.h"

namespace zeva::plug {

namespace {

long ElapsedSince(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

// getaddrinfo has no time limit of its own, so the look-up runs as an
// asynchronous request that is given up at the limit. A request glibc can
// no longer cancel still writes its answer later: it is parked here and
// freed once it is done.
class RealResolver final : public IResolver {
public:
    ~RealResolver() override { Reap(); }

    unsigned Resolve(const std::string& host, unsigned timeoutMs,
                     std::string& firstAddress) override {
        firstAddress.clear();
        Reap();
        const auto start = std::chrono::steady_clock::now();
        auto* request = new Request;
        request->host = host;
        request->hints.ai_family = AF_INET;
        request->hints.ai_socktype = SOCK_STREAM;
        request->cb.ar_name = request->host.c_str();
        request->cb.ar_request = &request->hints;
        gaicb* list[1] = {&request->cb};
        if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
            delete request;
            return static_cast<unsigned>(ElapsedSince(start));
        }
        timespec limit{static_cast<time_t>(timeoutMs / 1000),
                       static_cast<long>(timeoutMs % 1000) * 1000000L};
        const gaicb* const waitList[1] = {&request->cb};
        while (gai_error(&request->cb) == EAI_INPROGRESS) {
            const long left = static_cast<long>(timeoutMs) - ElapsedSince(start);
            if (left <= 0) break;
            limit = {static_cast<time_t>(left / 1000), (left % 1000) * 1000000L};
            gai_suspend(waitList, 1, &limit);
        }
        const unsigned ms = static_cast<unsigned>(ElapsedSince(start));
        if (gai_error(&request->cb) == EAI_INPROGRESS && gai_cancel(&request->cb) != EAI_CANCELED) {
            std::lock_guard<std::mutex> hold(parkedLock_);
            parked_.push_back(request);
            return ms;
        }
        if (gai_error(&request->cb) == 0 && request->cb.ar_result) {
            for (const addrinfo* a = request->cb.ar_result; a; a = a->ai_next) {
                if (a->ai_family != AF_INET) continue;
                char text[INET_ADDRSTRLEN] = {};
                inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr,
                          text, sizeof text);
                firstAddress = text;
                break;
            }
        }
        Free(request);
        return ms;
    }

private:
    struct Request {
        std::string host;
        addrinfo hints{};
        gaicb cb{};
    };
    static void Free(Request* r) {
        if (r->cb.ar_result) freeaddrinfo(r->cb.ar_result);
        delete r;
    }
    // Frees the parked requests that have finished; one still running
    // belongs to glibc's helper until it ends and is left to the process.
    void Reap() {
        std::lock_guard<std::mutex> hold(parkedLock_);
        for (auto it = parked_.begin(); it != parked_.end();) {
            if (gai_error(&(*it)->cb) == EAI_INPROGRESS) {
                ++it;
                continue;
            }
            Free(*it);
            it = parked_.erase(it);
        }
    }
    std::mutex parkedLock_;
    std::vector<Request*> parked_;
};

}  // namespace

std::shared_ptr<IResolver> NewSystemResolver() {
    return std::make_shared<RealResolver>();
}

}  // namespace zeva::plug
