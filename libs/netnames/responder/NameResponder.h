#pragma once
// A stand-in for a device's name services on one UDP address: it answers
// NetBIOS node-status questions with its names and pointer questions (DNS or
// multicast DNS reverse look-ups) from its table. The name-search tests run
// it on loopback; the LAN bed runs it (zeva-name-responder) in host
// namespaces.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "NamePackets.h"

namespace zeva::netnames {

class NameResponder {
public:
    struct Config {
        std::string bindIp = "127.0.0.1";
        std::uint16_t port = 0;                  // 0: any free port
        std::vector<NetBiosName> netbios;        // empty: node status goes unanswered
        std::map<std::string, std::string> ptr;  // address -> name for reverse look-ups
        bool mdnsStyle =
            false;        // answer as a multicast DNS responder (cache-flush class, no question)
        int delayMs = 0;  // answer this late
    };

    explicit NameResponder(Config config);
    ~NameResponder();
    NameResponder(const NameResponder&) = delete;
    NameResponder& operator=(const NameResponder&) = delete;

    // Binds and answers on a thread of its own; false with `error` when the
    // address is taken.
    bool Start(std::string& error);
    // Binds only, for Serve.
    bool Bind(std::string& error);
    void Stop();
    // Serves on the calling thread until Stop (the command-line responder).
    void Serve();
    std::uint16_t Port() const { return port_; }
    int Questions() const { return questions_.load(); }

    // The answers, for tests of the parsers.
    static Packet NodeStatusAnswer(std::uint16_t id, const std::vector<NetBiosName>& names);
    static Packet PtrAnswer(const Packet& question, const std::string& target, bool mdnsStyle);

private:
    void Answer(const std::uint8_t* data, std::size_t size, Packet& reply);

    Config config_;
    long long fd_ = -1;  // the socket layer's handle
    std::atomic<bool> stop_{false};
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<int> questions_{0};
};

}  // namespace zeva::netnames
