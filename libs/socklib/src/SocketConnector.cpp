#include "SocketConnector.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "SocketSys.h"

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 0x7FFFFFFF));
}

}  // namespace

namespace zeva {

std::string Base64(const std::string& data) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                           (static_cast<unsigned char>(data[i + 1]) << 8) |
                           static_cast<unsigned char>(data[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == data.size()) {
        const unsigned v = static_cast<unsigned char>(data[i]) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == data.size()) {
        const unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                           (static_cast<unsigned char>(data[i + 1]) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

}  // namespace zeva

int CE_SocketConnector::Connect(CE_SocketStream& stream, const std::string& host,
                                unsigned short port, int timeoutSeconds) {
    stream.Close();
    try {
        const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
        const long long fd = zeva::sock::ConnectTcp(host, port, RemainingMs(deadline), lastError_);
        if (fd == zeva::sock::kNoSocket) return -1;
        stream.Attach(fd);
        return 0;
    } catch (const std::exception& e) {
        lastError_ = e.what();
        return -1;
    }
}

int CE_SocketConnector::Connect(CE_SocketStream& stream, const std::string& host,
                                unsigned short port, const std::string& proxyHost,
                                unsigned short proxyPort, const std::string& user,
                                const std::string& password, int timeoutSeconds) {
    stream.Close();
    try {
        // The target goes into the request line: refuse text that would break it.
        if (host.empty() || port == 0 || host.find_first_of(" \r\n\t/@") != std::string::npos) {
            lastError_ = "bad target host";
            return -1;
        }
        const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
        const long long fd =
            zeva::sock::ConnectTcp(proxyHost, proxyPort, RemainingMs(deadline), lastError_);
        if (fd == zeva::sock::kNoSocket) return -1;
        CE_SocketStream tunnel;
        tunnel.Attach(fd);
        const std::string target = (host.find(':') != std::string::npos ? "[" + host + "]" : host) +
                                   ":" + std::to_string(port);
        std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
        if (!user.empty()) {
            const std::string credentials = user + ":" + password;
            if (credentials.find_first_of("\r\n") != std::string::npos) {
                lastError_ = "bad proxy credentials";
                return -1;
            }
            request += "Proxy-Authorization: Basic " + zeva::Base64(credentials) + "\r\n";
        }
        request += "\r\n";
        const int secondsLeft = std::max(1, (RemainingMs(deadline) + 999) / 1000);
        if (tunnel.Send(request.data(), request.size(), secondsLeft) !=
            static_cast<int>(request.size())) {
            lastError_ = "proxy closed the connection";
            return -1;
        }
        // Read the answer's head byte by byte, so nothing of the tunnelled
        // stream that may follow it is consumed.
        std::string head;
        while (head.size() < 8192 &&
               (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0)) {
            char c = 0;
            const int wait = RemainingMs(deadline);
            if (wait == 0) {
                lastError_ = "proxy did not answer in time";
                return -1;
            }
            const int n = tunnel.Receive(&c, 1, std::max(1, (wait + 999) / 1000));
            if (n <= 0 || RemainingMs(deadline) == 0) {
                lastError_ =
                    n == 0 ? "proxy closed the connection" : "proxy did not answer in time";
                return -1;
            }
            head += c;
        }
        int status = 0;
        if (head.compare(0, 5, "HTTP/") != 0 ||
            std::sscanf(head.c_str(), "HTTP/%*s %d", &status) != 1) {
            lastError_ = "proxy sent no HTTP answer";
            return -1;
        }
        if (status < 200 || status > 299) {
            lastError_ = "proxy refused the tunnel: " + head.substr(0, head.find("\r\n"));
            return -1;
        }
        stream = std::move(tunnel);
        return 0;
    } catch (const std::exception& e) {
        lastError_ = e.what();
        return -1;
    }
}
