#include "LoopbackHttpServer.h"

#include <chrono>

namespace zeva::test {

LoopbackHttpServer::LoopbackHttpServer(const Routes& routes) {
    routes(server_);
    server_.set_logger([this](const httplib::Request& req, const httplib::Response&) {
        const std::lock_guard lock(mutex_);
        paths_.push_back(req.path);
    });
    port_ = static_cast<unsigned short>(server_.bind_to_any_port("127.0.0.1"));
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() before the accept loop runs would be lost: wait for it.
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackHttpServer::~LoopbackHttpServer() {
    Stop();
}

void LoopbackHttpServer::Stop() {
    stopping_ = true;
    server_.stop();
    if (thread_.joinable()) thread_.join();
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackHttpServer::Paths() const {
    const std::lock_guard lock(mutex_);
    return paths_;
}

std::size_t LoopbackHttpServer::RequestCount() const {
    const std::lock_guard lock(mutex_);
    return paths_.size();
}

}  // namespace zeva::test
