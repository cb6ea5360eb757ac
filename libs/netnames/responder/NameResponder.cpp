#include "NameResponder.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

#include "SocketSys.h"

namespace zeva::netnames {

namespace {

void Put16(Packet& p, unsigned v) {
    p.push_back(static_cast<std::uint8_t>(v >> 8));
    p.push_back(static_cast<std::uint8_t>(v));
}
void Put32(Packet& p, unsigned v) {
    Put16(p, v >> 16);
    Put16(p, v & 0xFFFF);
}
void Append(Packet& p, const Packet& more) {
    p.insert(p.end(), more.begin(), more.end());
}

// The question's name as text and its type, or false.
bool ReadQuestion(const std::uint8_t* data, std::size_t size, std::string& name,
                  std::uint16_t& type, std::size_t& end) {
    if (size < 12 || ((data[4] << 8) | data[5]) < 1) return false;
    std::size_t pos = 12;
    std::string text;
    while (pos < size && data[pos] != 0) {
        const std::size_t len = data[pos];
        if (len > 63 || pos + 1 + len > size) return false;
        if (!text.empty()) text += '.';
        text.append(reinterpret_cast<const char*>(data + pos + 1), len);
        pos += 1 + len;
    }
    if (pos + 5 > size) return false;
    type = static_cast<std::uint16_t>((data[pos + 1] << 8) | data[pos + 2]);
    end = pos + 5;
    name = text;
    return true;
}

}  // namespace

NameResponder::NameResponder(Config config) : config_(std::move(config)) {}

NameResponder::~NameResponder() {
    Stop();
}

bool NameResponder::Bind(std::string& error) {
    const auto ip = zeva::sock::ParseIpv4(config_.bindIp);
    unsigned short port = config_.port;
    fd_ = ip ? zeva::sock::OpenUdp(*ip, port) : zeva::sock::kNoSocket;
    if (fd_ == zeva::sock::kNoSocket) {
        error = "cannot bind " + config_.bindIp + ":" + std::to_string(config_.port) + ": " +
                (ip ? zeva::sock::LastErrorText() : std::string("not an IPv4 address"));
        return false;
    }
    port_ = port;
    stop_ = false;
    return true;
}

bool NameResponder::Start(std::string& error) {
    if (!Bind(error)) return false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void NameResponder::Serve() {
    // Short waits, so Stop is noticed soon on every system.
    constexpr int kStopCheckMs = 50;
    std::uint8_t buf[1500];
    while (!stop_) {
        if (!zeva::sock::WaitFor(fd_, zeva::sock::kReadable, kStopCheckMs)) continue;
        std::uint32_t fromIp = 0;
        unsigned short fromPort = 0;
        const long n = zeva::sock::ReceiveFrom(fd_, buf, sizeof buf, fromIp, fromPort);
        if (n <= 0) continue;
        Packet reply;
        Answer(buf, static_cast<std::size_t>(n), reply);
        if (reply.empty()) continue;
        for (int waited = 0; waited < config_.delayMs && !stop_; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (stop_) return;
        (void)zeva::sock::SendTo(fd_, reply.data(), reply.size(), fromIp, fromPort);
    }
}

void NameResponder::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ != zeva::sock::kNoSocket) zeva::sock::Close(fd_);
    fd_ = zeva::sock::kNoSocket;
}

void NameResponder::Answer(const std::uint8_t* data, std::size_t size, Packet& reply) {
    std::string name;
    std::uint16_t type = 0;
    std::size_t end = 0;
    if (size < 12 || (data[2] & 0x80) || !ReadQuestion(data, size, name, type, end)) return;
    ++questions_;
    const auto id = static_cast<std::uint16_t>((data[0] << 8) | data[1]);
    if (type == kTypeNbstat) {
        if (!config_.netbios.empty()) reply = NodeStatusAnswer(id, config_.netbios);
        return;
    }
    if (type != kTypePtr) return;
    for (const auto& [ip, target] : config_.ptr) {
        const std::string reverse = ReverseName(ip);
        if (reverse.size() == name.size() &&
            std::equal(reverse.begin(), reverse.end(), name.begin(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) ==
                       std::tolower(static_cast<unsigned char>(y));
            })) {
            reply = PtrAnswer(Packet(data, data + end), target, config_.mdnsStyle);
            return;
        }
    }
    if (!config_.mdnsStyle) {
        // A DNS server says "no such name"; a multicast responder stays silent.
        reply.assign(data, data + end);
        reply[2] = 0x84;
        reply[3] = 0x03;
    }
}

Packet NameResponder::NodeStatusAnswer(std::uint16_t id, const std::vector<NetBiosName>& names) {
    Packet p;
    Put16(p, id);
    Put16(p, 0x8400);
    Put16(p, 0);
    Put16(p, 1);
    Put16(p, 0);
    Put16(p, 0);
    Append(p, EncodeName("CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"));
    Put16(p, kTypeNbstat);
    Put16(p, kClassIn);
    Put32(p, 0);
    Packet rdata;
    rdata.push_back(static_cast<std::uint8_t>(names.size()));
    for (const NetBiosName& n : names) {
        std::string field = n.name.substr(0, 15);
        field.resize(15, ' ');
        rdata.insert(rdata.end(), field.begin(), field.end());
        rdata.push_back(n.suffix);
        Put16(rdata, n.group ? 0x8400 : 0x0400);
    }
    rdata.resize(rdata.size() + 46, 0);  // the unit id (MAC) and statistics
    Put16(p, static_cast<unsigned>(rdata.size()));
    Append(p, rdata);
    return p;
}

Packet NameResponder::PtrAnswer(const Packet& question, const std::string& target, bool mdnsStyle) {
    Packet p(question.begin(), question.begin() + 12);
    p[2] = 0x84;
    p[3] = 0x00;
    const Packet qname(question.begin() + 12, question.end() - 4);
    // Multicast DNS answers carry no question and set the cache-flush bit.
    p[4] = 0;
    p[5] = mdnsStyle ? 0 : 1;
    p[6] = 0;
    p[7] = 1;
    p[8] = p[9] = p[10] = p[11] = 0;
    if (!mdnsStyle) p.insert(p.end(), question.begin() + 12, question.end());
    if (mdnsStyle) {
        Append(p, qname);
    } else {
        Put16(p, 0xC00C);
    }
    Put16(p, kTypePtr);
    Put16(p, mdnsStyle ? 0x8000 | kClassIn : kClassIn);
    Put32(p, 120);
    const Packet rdata = EncodeName(target);
    Put16(p, static_cast<unsigned>(rdata.size()));
    Append(p, rdata);
    return p;
}

}  // namespace zeva::netnames
