#pragma once
// An HTTP server on 127.0.0.1 for the tests of the download library and the
// update engine, with faults injected per path: missing, stalled, cut off in
// the middle (always or once), slow, an error status, or Range requests
// ignored or answered with a wrong Content-Range. Range requests are
// otherwise answered with 206 (by httplib); each request's Range header and
// the body bytes sent per path are logged.

#include <httplib.h>

#include "TestSupport.h"
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace zeva::test {

enum class Fault {
    None,
    NotFound,
    Status500,
    Stall,
    CutMidway,
    CutChunked,
    Slow,
    CutOnceMidway,  // the first request stops at half the file, later ones are whole
    IgnoreRange,    // answers 200 with the whole file whatever the Range
    WrongRange      // answers a Range request with 206 "bytes 0-..." and the whole file
};

class TestHttpServer {
public:
    TestHttpServer() {
        server_.Get(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            Handle(req, res);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TestHttpServer() {
        stopping_ = true;
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    unsigned short port() const { return static_cast<unsigned short>(port_); }

    // Serves `body` under the URL path `path` (e.g. "/1/UpdateConfig.ini").
    void Put(const std::string& path, std::string body) {
        const std::lock_guard lock(mutex_);
        files_[path] = std::move(body);
    }
    void Remove(const std::string& path) {
        const std::lock_guard lock(mutex_);
        files_.erase(path);
    }
    // Serves every file below `root` under "/<rel path>".
    void PutTree(const std::filesystem::path& root) {
        for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            std::ostringstream s;
            s << in.rdbuf();
            Put("/" + std::filesystem::relative(e.path(), root).generic_string(), s.str());
        }
    }
    void SetFault(const std::string& path, Fault fault) {
        const std::lock_guard lock(mutex_);
        faults_[path] = fault;
    }
    void ClearFaults() {
        const std::lock_guard lock(mutex_);
        faults_.clear();
    }
    std::vector<std::string> Requests() const {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    std::vector<std::string> Targets() const {
        const std::lock_guard lock(mutex_);
        return targets_;
    }
    // The Range header of every request ("" when none), in order.
    std::vector<std::string> Ranges() const {
        const std::lock_guard lock(mutex_);
        return ranges_;
    }
    // Body bytes handed to the connection for `path`, over all requests.
    size_t BytesServed(const std::string& path) const {
        const std::lock_guard lock(mutex_);
        auto it = served_.find(path);
        return it == served_.end() ? 0 : it->second;
    }
    void ClearRequests() {
        const std::lock_guard lock(mutex_);
        requests_.clear();
        targets_.clear();
        ranges_.clear();
        served_.clear();
    }

private:
    void Handle(const httplib::Request& req, httplib::Response& res) {
        std::optional<std::string> body;
        Fault fault = Fault::None;
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(req.path);
            targets_.push_back(req.target);
            ranges_.push_back(req.get_header_value("Range"));
            if (auto it = files_.find(req.path); it != files_.end()) body = it->second;
            if (auto it = faults_.find(req.path); it != faults_.end()) {
                fault = it->second;
                if (fault == Fault::CutOnceMidway) {
                    faults_.erase(it);
                    fault = Fault::CutMidway;
                }
            }
        }
        if (fault == Fault::NotFound || !body) {
            res.status = 404;
            res.set_content("not found", "text/plain");
            return;
        }
        if (fault == Fault::Status500) {
            res.status = 500;
            res.set_content(*body, "application/octet-stream");
            return;
        }
        auto content = std::make_shared<std::string>(std::move(*body));
        const size_t total = content->size();
        // httplib answers Range requests by itself (206, when no status is set); without the
        // parsed ranges it sends the whole file.
        auto& ranges = const_cast<httplib::Request&>(req).ranges;
        if (fault == Fault::IgnoreRange) ranges.clear();
        if (ranges.empty()) res.status = 200;
        if (fault == Fault::WrongRange && !ranges.empty()) {
            ranges.clear();
            res.status = 206;
            res.set_header("Content-Range", "bytes 0-" + std::to_string(total - 1) + "/" +
                                                std::to_string(total));
        }
        const std::string path = req.path;
        if (fault == Fault::CutChunked) {
            // No length announced: only the missing end chunk tells the body is incomplete.
            res.set_chunked_content_provider(
                "application/octet-stream", [content](size_t offset, httplib::DataSink& sink) {
                    if (offset >= content->size() / 2) return false;
                    return sink.write(content->data() + offset, content->size() / 2);
                });
            return;
        }
        res.set_content_provider(
            total, "application/octet-stream",
            [this, content, fault, total, path](size_t offset, size_t length,
                                                httplib::DataSink& sink) {
                const size_t half = total / 2;
                // A stalled transfer delivers only its first bytes, so the sender's
                // rate drops below any limit at once.
                const size_t stallAt = std::min<size_t>(total, 512);
                if (fault == Fault::Stall && offset >= stallAt) {
                    while (!stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    return false;
                }
                if (fault == Fault::CutMidway && offset >= half) return false;
                size_t n = std::min<size_t>(length, 64 * 1024);
                if (fault == Fault::Stall) n = std::min(n, stallAt - offset);
                if (fault == Fault::CutMidway) n = std::min(n, half - offset);
                if (fault == Fault::Slow) {
                    n = std::min<size_t>(n, 4096);
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                if (n == 0) return false;
                {
                    // Counted before sending: the client may finish before write() returns here.
                    const std::lock_guard lock(mutex_);
                    served_[path] += n;
                }
                return sink.write(content->data() + offset, n);
            });
    }

    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, std::string> files_;
    std::map<std::string, Fault> faults_;
    std::vector<std::string> requests_;
    std::vector<std::string> targets_;
    std::vector<std::string> ranges_;
    std::map<std::string, size_t> served_;
};

}  // namespace zeva::test
