#include "NamePackets.h"

#include <ares.h>

#include <cstring>

#include "SocketSys.h"

namespace zeva::netnames {

namespace {

constexpr std::size_t kHeader = 12;
// "*" padded with NULs to 16 bytes, in the first-level encoding of NetBIOS names.
constexpr char kWildcardEncoded[] = "CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";

std::uint16_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// Skips an encoded name at `pos`; false when it runs outside the message.
bool SkipName(const std::uint8_t* data, std::size_t size, std::size_t& pos) {
    char* name = nullptr;
    long used = 0;
    if (pos >= size ||
        ares_expand_name(data + pos, data, static_cast<int>(size), &name, &used) != ARES_SUCCESS)
        return false;
    ares_free_string(name);
    pos += static_cast<std::size_t>(used);
    return pos <= size;
}

bool SkipQuestions(const std::uint8_t* data, std::size_t size, std::size_t& pos, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        if (!SkipName(data, size, pos) || pos + 4 > size) return false;
        pos += 4;
    }
    return true;
}

struct Record {
    std::uint16_t type = 0, klass = 0;
    std::size_t rdata = 0, rdlength = 0;
};

bool ReadRecord(const std::uint8_t* data, std::size_t size, std::size_t& pos, Record& r) {
    if (!SkipName(data, size, pos) || pos + 10 > size) return false;
    r.type = Read16(data + pos);
    r.klass = Read16(data + pos + 2);
    r.rdlength = Read16(data + pos + 8);
    r.rdata = pos + 10;
    if (r.rdata + r.rdlength > size) return false;
    pos = r.rdata + r.rdlength;
    return true;
}

}  // namespace

std::string ReverseName(std::string_view ip) {
    const auto a = zeva::sock::ParseIpv4(ip);
    if (!a) return {};
    return std::to_string(*a & 0xFF) + "." + std::to_string((*a >> 8) & 0xFF) + "." +
           std::to_string((*a >> 16) & 0xFF) + "." + std::to_string(*a >> 24) + ".in-addr.arpa";
}

Packet BuildQuery(std::uint16_t id, std::string_view name, std::uint16_t type, bool recursion) {
    unsigned char* buf = nullptr;
    int len = 0;
    const std::string text(name);
    if (ares_create_query(text.c_str(), kClassIn, type, id, recursion ? 1 : 0, &buf, &len, 0) !=
        ARES_SUCCESS)
        return {};
    Packet out(buf, buf + len);
    ares_free_string(buf);
    return out;
}

Packet BuildNodeStatusQuery(std::uint16_t id) {
    return BuildQuery(id, kWildcardEncoded, kTypeNbstat, false);
}

Packet BuildPtrQuery(std::uint16_t id, std::string_view ip, bool recursion) {
    const std::string name = ReverseName(ip);
    if (name.empty()) return {};
    return BuildQuery(id, name, kTypePtr, recursion);
}

bool ReadHeader(const std::uint8_t* data, std::size_t size, std::uint16_t& id, bool& response) {
    if (size < kHeader) return false;
    id = Read16(data);
    response = (data[2] & 0x80) != 0;
    return true;
}

bool ParseNodeStatusReply(const std::uint8_t* data, std::size_t size,
                          std::vector<NetBiosName>& names) {
    names.clear();
    std::uint16_t id = 0;
    bool response = false;
    if (!ReadHeader(data, size, id, response) || !response) return false;
    const unsigned questions = Read16(data + 4), answers = Read16(data + 6);
    std::size_t pos = kHeader;
    if (!SkipQuestions(data, size, pos, questions)) return false;
    for (unsigned i = 0; i < answers; ++i) {
        Record r;
        if (!ReadRecord(data, size, pos, r)) return false;
        if (r.type != kTypeNbstat || r.rdlength < 1) continue;
        const std::uint8_t* p = data + r.rdata;
        const std::size_t count = p[0];
        // Each entry: 15 name bytes, the suffix byte, two flag bytes.
        if (1 + count * 18 > r.rdlength) return false;
        for (std::size_t k = 0; k < count; ++k) {
            const std::uint8_t* e = p + 1 + k * 18;
            std::string name(reinterpret_cast<const char*>(e), 15);
            while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
            names.push_back({name, e[15], (e[16] & 0x80) != 0});
        }
        return true;
    }
    return false;
}

std::string ComputerNameOf(const std::vector<NetBiosName>& names) {
    for (std::uint8_t suffix : {std::uint8_t{0x00}, std::uint8_t{0x20}}) {
        for (const NetBiosName& n : names) {
            if (!n.group && n.suffix == suffix && !n.name.empty()) return n.name;
        }
    }
    return {};
}

std::string ParsePtrReply(const std::uint8_t* data, std::size_t size) {
    std::uint16_t id = 0;
    bool response = false;
    if (!ReadHeader(data, size, id, response) || !response) return {};
    if ((data[3] & 0x0F) != 0) return {};  // an error code: no such name
    const unsigned questions = Read16(data + 4), answers = Read16(data + 6);
    std::size_t pos = kHeader;
    if (!SkipQuestions(data, size, pos, questions)) return {};
    for (unsigned i = 0; i < answers; ++i) {
        Record r;
        if (!ReadRecord(data, size, pos, r)) return {};
        if (r.type != kTypePtr || (r.klass & 0x7FFF) != kClassIn) continue;
        char* name = nullptr;
        long used = 0;
        if (ares_expand_name(data + r.rdata, data, static_cast<int>(size), &name, &used) !=
            ARES_SUCCESS)
            return {};
        std::string out = UnescapeName(name);
        ares_free_string(name);
        if (static_cast<std::size_t>(used) > r.rdlength) return {};
        return out;
    }
    return {};
}

std::string UnescapeName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const auto digit = [&](std::size_t k) {
            return k < text.size() && text[k] >= '0' && text[k] <= '9';
        };
        if (digit(i + 1) && digit(i + 2) && digit(i + 3)) {
            const int v =
                (text[i + 1] - '0') * 100 + (text[i + 2] - '0') * 10 + (text[i + 3] - '0');
            if (v <= 255) {
                out += static_cast<char>(v);
                i += 3;
                continue;
            }
        }
        out += text[++i];  // "\." and the like: the character itself
    }
    return out;
}

Packet EncodeName(std::string_view name) {
    // A question carries the name between its header and its type and class.
    const Packet q = BuildQuery(0, name, kTypePtr, false);
    if (q.size() < kHeader + 4) return {};
    return Packet(q.begin() + kHeader, q.end() - 4);
}

}  // namespace zeva::netnames
