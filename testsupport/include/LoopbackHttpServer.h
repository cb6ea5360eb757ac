#pragma once
// An HTTP server on 127.0.0.1 for tests: the routes are set up before it
// listens (on a free port, from construction); it stops, joining its
// thread, on Stop() or destruction. Every request's path is logged.
//
// A subclass whose handlers use its own members calls Stop() first thing
// in its destructor, so no handler runs while those members go.

#include <httplib.h>
// On Windows httplib brings windows.h, whose A/W macro would rename the
// ReplaceFile members of the update tests' hosts.
#undef ReplaceFile

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zeva::test {

class LoopbackHttpServer {
public:
    using Routes = std::function<void(httplib::Server&)>;
    explicit LoopbackHttpServer(const Routes& routes);
    virtual ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    void Stop();
    unsigned short port() const { return port_; }
    std::string Url(const std::string& path) const;
    // True once the server is being torn down: long-running handlers end.
    bool Stopping() const { return stopping_.load(); }

    std::vector<std::string> Paths() const;
    std::size_t RequestCount() const;

private:
    httplib::Server server_;
    unsigned short port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> paths_;
};

}  // namespace zeva::test
