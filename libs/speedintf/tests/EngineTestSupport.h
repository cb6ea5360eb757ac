#pragma once
// A loopback web server and a message-collecting window for the engine tests.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "platform/MessageQueue.h"

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
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(fd_, reinterpret_cast<sockaddr*>(&a), len);
        listen(fd_, 16);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd p{fd_, POLLIN, 0};
                if (poll(&p, 1, 50) <= 0) continue;
                const int c = accept(fd_, nullptr, nullptr);
                if (c < 0) continue;
                std::string head;
                char ch = 0;
                while (head.find("\r\n\r\n") == std::string::npos && recv(c, &ch, 1, 0) == 1)
                    head += ch;
                {
                    std::lock_guard lock(mutex_);
                    lines_.push_back(head.substr(0, head.find("\r\n")));
                }
                const std::string answer =
                    "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) +
                    "\r\nConnection: close\r\n\r\n" + body_;
                send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
                close(c);
            }
        });
    }
    ~LoggingProxy() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    int port() const { return port_; }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    std::string body_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread thread_;
};

struct Message {
    WPARAM w;
    LPARAM l;
};

// A window of the test thread that keeps every message it is sent.
class Collector {
public:
    static constexpr UINT kMessage = 1627;
    Collector()
        : hwnd_(zeva::CreateWindowHandle([this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
              if (m == kMessage) messages_.push_back({w, l});
              return 0;
          })) {}
    ~Collector() { zeva::DestroyWindowHandle(hwnd_); }
    HWND hwnd() const { return hwnd_; }
    const std::vector<Message>& messages() const { return messages_; }

    // Handles messages until `count` have arrived or `realMs` passed
    // (waiting on the engines' worker threads, not on a timer).
    bool WaitFor(std::size_t count, int realMs = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realMs);
        while (messages_.size() < count && std::chrono::steady_clock::now() < deadline) {
            if (zeva::PumpMessages() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return messages_.size() >= count;
    }
    template <typename Pred>
    static bool Until(Pred pred, int realMs = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realMs);
        while (!pred() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return pred();
    }

private:
    std::vector<Message> messages_;
    HWND hwnd_;
};

// No proxy from the environment or the settings, unless a test sets one.
struct DirectNetwork {
    zeva::test::TempDir reg;
    zeva::test::ScopedEnv regDir{"ZEVA_REGISTRY_DIR", reg.path().string()};
    zeva::test::ScopedEnv p1{"http_proxy", std::nullopt}, p2{"HTTP_PROXY", std::nullopt};
};

}  // namespace enginetest
