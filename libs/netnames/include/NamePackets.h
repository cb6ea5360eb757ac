#pragma once
// The two kinds of name message the name search exchanges with devices: the
// NetBIOS node-status query (UDP 137) and the DNS pointer query (reverse
// look-up, sent to a DNS server or a device's multicast DNS responder).
// Names are built and walked with c-ares; only the node-status answer's own
// record layout is read here.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeva::netnames {

using Packet = std::vector<std::uint8_t>;

inline constexpr std::uint16_t kTypePtr = 12;
inline constexpr std::uint16_t kTypeNbstat = 0x21;
inline constexpr std::uint16_t kClassIn = 1;

// "4.3.2.1.in-addr.arpa" for "1.2.3.4"; empty when `ip` is not dotted IPv4.
std::string ReverseName(std::string_view ip);

// A question for `name` of `type`; empty when the name cannot be encoded.
Packet BuildQuery(std::uint16_t id, std::string_view name, std::uint16_t type, bool recursion);
// The node-status question for the wildcard name "*".
Packet BuildNodeStatusQuery(std::uint16_t id);
// A pointer question for the reverse name of `ip`.
Packet BuildPtrQuery(std::uint16_t id, std::string_view ip, bool recursion);

// One name of a node-status answer: 15 bytes without trailing blanks, the
// suffix byte (0x00 workstation, 0x20 file server, ...) and the group bit.
struct NetBiosName {
    std::string name;  // raw bytes, the sender's OEM code page
    std::uint8_t suffix = 0;
    bool group = false;
};

// The header of a message: its id and whether it is an answer.
bool ReadHeader(const std::uint8_t* data, std::size_t size, std::uint16_t& id, bool& response);
// The names of a node-status answer; false for anything malformed.
bool ParseNodeStatusReply(const std::uint8_t* data, std::size_t size,
                          std::vector<NetBiosName>& names);
// The computer name of a node-status answer: the unique workstation name,
// else the unique file-server name, else empty.
std::string ComputerNameOf(const std::vector<NetBiosName>& names);
// The first pointer target of an answer (multicast DNS answers carry the
// cache-flush bit in the class; both forms are read), as the raw bytes of
// its labels joined by dots. Empty when none.
std::string ParsePtrReply(const std::uint8_t* data, std::size_t size);

// A name as c-ares writes it out ("\229\188\160..." for bytes outside
// printable ASCII, "\." for a dot inside a label) back in its own bytes.
std::string UnescapeName(std::string_view text);

// The wire form of a domain name, for responders.
Packet EncodeName(std::string_view name);

}  // namespace zeva::netnames
