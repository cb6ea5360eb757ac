#pragma once
// Stand-in name services for the look-up tests.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "NameResponder.h"

namespace zeva::netnames {

inline long long MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 t)
        .count();
}

// Responders of one kind on several loopback addresses and one shared port.
class ResponderSet {
public:
    NameResponder& Add(NameResponder::Config c) {
        c.port = port_;
        auto r = std::make_unique<NameResponder>(c);
        std::string error;
        EXPECT_TRUE(r->Start(error)) << error;
        if (port_ == 0) port_ = r->Port();
        all_.push_back(std::move(r));
        return *all_.back();
    }
    std::uint16_t Port() const { return port_; }

private:
    std::uint16_t port_ = 0;
    std::vector<std::unique_ptr<NameResponder>> all_;
};

inline NameResponder::Config Netbios(const std::string& ip, const std::string& name) {
    NameResponder::Config c;
    c.bindIp = ip;
    c.netbios = {{"WORKGROUP", 0x00, true}, {name, 0x00, false}, {name, 0x20, false}};
    return c;
}

inline NameResponder::Config Ptr(const std::string& ip, const std::string& name, bool mdns) {
    NameResponder::Config c;
    c.bindIp = mdns ? ip : "127.0.0.1";
    c.ptr[ip] = name;
    c.mdnsStyle = mdns;
    return c;
}

}  // namespace zeva::netnames
