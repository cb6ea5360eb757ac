#pragma once
// A loopback web server and a message-collecting window for the engine tests.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Collector.h"
#include "LoopbackHttpServer.h"
#include "SocketSys.h"
#include "TestSupport.h"

namespace enginetest {

// Serves /big (a large body sent in slices, about 3 MB/s per stream),
// /small (10 KB), /page (a web page), /slow (answers after 2.5 s) and 404s.
class LoopbackServer : public zeva::test::LoopbackHttpServer {
public:
    // The routes are set up before this object is: they may only keep `self`.
    LoopbackServer()
        : LoopbackHttpServer([this](httplib::Server& server) { Routes(this, server); }) {}
    ~LoopbackServer() override { Stop(); }
    int requests() const { return requests_; }
    void OpenGate() { gate_ = true; }
    std::uint64_t sent() const { return sent_; }

private:
    static void Routes(LoopbackServer* self, httplib::Server& server) {
        server.Get("/big", [self](const httplib::Request&, httplib::Response& res) {
            ++self->requests_;
            res.set_content_provider(1ull << 30, "application/octet-stream",
                                     [self](size_t, size_t, httplib::DataSink& sink) {
                                         static const std::string slice(16 * 1024, 'x');
                                         if (self->Stopping()) return false;
                                         sink.write(slice.data(), slice.size());
                                         self->sent_ += slice.size();
                                         std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                         return !self->Stopping();
                                     });
        });
        // 1 MiB at once, then 512 KiB more once the test opens the gate.
        server.Get("/burst", [self](const httplib::Request&, httplib::Response& res) {
            ++self->requests_;
            res.set_content_provider(
                1ull << 30, "application/octet-stream",
                [self](size_t offset, size_t, httplib::DataSink& sink) {
                    static const std::string slice(64 * 1024, 'b');
                    const size_t limit = self->gate_ ? (3u << 19) : (1u << 20);
                    if (offset < limit) {
                        sink.write(slice.data(), slice.size());
                        self->sent_ += slice.size();
                    } else {
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    }
                    return !self->Stopping();
                });
        });
        server.Get("/small", [self](const httplib::Request&, httplib::Response& res) {
            ++self->requests_;
            self->sent_ += 10240;
            res.set_content(std::string(10240, 's'), "application/octet-stream");
        });
        server.Get("/empty", [self](const httplib::Request&, httplib::Response& res) {
            ++self->requests_;
            res.set_content("", "application/octet-stream");
        });
        server.Get("/page", [self](const httplib::Request&, httplib::Response& res) {
            ++self->requests_;
            res.set_content("<html><body>hello</body></html>", "text/html");
        });
        server.Get("/slow", [self](const httplib::Request&, httplib::Response& res) {
            ++self->requests_;
            for (int i = 0; i < 25 && !self->Stopping(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            res.set_content("late", "text/plain");
        });
    }

    std::atomic<bool> gate_{false};
    std::atomic<int> requests_{0};
    std::atomic<std::uint64_t> sent_{0};
};

class LoggingProxy {
public:
    explicit LoggingProxy(std::size_t bodyBytes) : body_(bodyBytes, 'p') {
        unsigned short port = 0;
        listener_.Reset(zeva::sock::ListenTcpLoopback(port, 16));
        port_ = port;
        thread_ = std::thread([this] {
            while (!stop_) {
                const zeva::sock::Socket c(zeva::sock::Accept(listener_.get(), 50));
                if (!c.valid()) continue;
                std::string head;
                char ch = 0;
                while (head.find("\r\n\r\n") == std::string::npos &&
                       zeva::sock::WaitFor(c.get(), zeva::sock::kReadable, 2000) &&
                       zeva::sock::Receive(c.get(), &ch, 1) == 1)
                    head += ch;
                {
                    std::lock_guard lock(mutex_);
                    lines_.push_back(head.substr(0, head.find("\r\n")));
                }
                const std::string answer =
                    "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) +
                    "\r\nConnection: close\r\n\r\n" + body_;
                for (std::size_t sent = 0; sent < answer.size();) {
                    const long n =
                        zeva::sock::Send(c.get(), answer.data() + sent, answer.size() - sent);
                    if (n > 0) {
                        sent += static_cast<std::size_t>(n);
                    } else if (n == 0 || !zeva::sock::LastWouldBlock() ||
                               !zeva::sock::WaitFor(c.get(), zeva::sock::kWritable, 2000)) {
                        break;
                    }
                }
            }
        });
    }
    ~LoggingProxy() {
        stop_ = true;
        thread_.join();
    }
    int port() const { return port_; }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    std::string body_;
    zeva::sock::Socket listener_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread thread_;
};

// No proxy from the environment or the settings, unless a test sets one.
struct DirectNetwork {
    zeva::test::TempDir reg;
    zeva::test::ScopedEnv regDir{"ZEVA_REGISTRY_DIR", reg.path().string()};
    zeva::test::ScopedEnv p1{"http_proxy", std::nullopt}, p2{"HTTP_PROXY", std::nullopt};
};

}  // namespace enginetest
