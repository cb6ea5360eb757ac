#pragma once
// Sealing of the enciphered settings files: AES-256-GCM under the fixed
// application key, a random 96-bit nonce per file version.
//
// Layout: "ZEVACFG1" | nonce (12) | ciphertext | tag (16); the magic is
// authenticated too.

#include <optional>
#include <string>
#include <string_view>

namespace zeva::cfg {

std::optional<std::string> Seal(std::string_view plain);
std::optional<std::string> Open(std::string_view sealed);

}  // namespace zeva::cfg
