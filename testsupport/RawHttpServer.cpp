#include "RawHttpServer.h"

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include "Sockets_p.h"
#include "TestSupport.h"

namespace zeva::test {

RawHttpServer::RawHttpServer() {
    listener_ = ListenLoopback(port_);
    thread_ = std::thread([this] { Loop(); });
}

RawHttpServer::~RawHttpServer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopped_.notify_all();
    thread_.join();
    CloseSocket(listener_);
}

std::string RawHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void RawHttpServer::Answer(ScriptedAnswer answer) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
}

std::vector<std::string> RawHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string RawHttpServer::HttpOk(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string RawHttpServer::Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

std::string RawHttpServer::Envelope(const std::string& bodyContent) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<soap:Body>" +
           bodyContent + "</soap:Body></soap:Envelope>";
}

bool RawHttpServer::Wait(int ms) {
    std::unique_lock lock(mutex_);
    return !stopped_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

void RawHttpServer::Loop() {
    while (!stop_) {
        if (!Readable(listener_, 50)) continue;
        const SocketHandle connection = AcceptConnection(listener_);
        if (connection == kNoSocket) continue;
        Handle(connection);
        CloseSocket(connection);
    }
}

void RawHttpServer::Handle(SocketHandle fd) {
    std::string request;
    char buffer[8192];
    // Headers, then as many body bytes as Content-Length says.
    std::size_t expected = std::string::npos;
    while (!stop_ && (expected == std::string::npos || request.size() < expected)) {
        if (!Readable(fd, 50)) continue;
        const long n = ReceiveSome(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = request.find("\r\n\r\n");
        if (expected == std::string::npos && end != std::string::npos) {
            std::size_t length = 0;
            const std::size_t at = request.find("Content-Length: ");
            if (at != std::string::npos && at < end)
                length = std::strtoul(request.c_str() + at + 16, nullptr, 10);
            expected = end + 4 + length;
        }
    }
    ScriptedAnswer answer;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        answer = answer_;
    }
    if (answer.hold) {
        while (Wait(50) &&
               !(Readable(fd, 0) && ReceiveSome(fd, buffer, sizeof buffer, true) == 0)) {
        }
        return;
    }
    if (answer.delayMs > 0 && !Wait(answer.delayMs)) return;
    if (answer.dripIntervalMs > 0) {
        for (char c : answer.bytes) {
            if (SendSome(fd, &c, 1) != 1 || !Wait(answer.dripIntervalMs)) return;
        }
        return;
    }
    const char* p = answer.bytes.data();
    std::size_t left = answer.bytes.size();
    while (left > 0) {
        const long n = SendSome(fd, p, left);
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::string NormalizePort(std::string request, int port) {
    const std::string from = ":" + std::to_string(port);
    for (std::size_t at = request.find(from); at != std::string::npos;
         at = request.find(from, at + 7)) {
        const char next = at + from.size() < request.size() ? request[at + from.size()] : '\0';
        if (next >= '0' && next <= '9') continue;
        request.replace(at, from.size(), ":@PORT@");
    }
    return request;
}

void ExpectRequest(const RawHttpServer& server, const std::string& name,
                   const std::filesystem::path& expectedDir) {
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string actual = NormalizePort(requests[0], server.Port());
    const std::filesystem::path file = expectedDir / (name + ".http");
    if (std::getenv("ZEVA_UPDATE_EXPECTED")) WriteFile(file, actual);
    EXPECT_EQ(actual, ReadFile(file)) << "request differs from " << file;
}

}  // namespace zeva::test
