#pragma once
// Checks a detached Ed25519 signature against the configured public keys
// (one, or two while keys are being rotated).

#include <string>
#include <vector>

namespace zeva {

class SignatureVerifier {
public:
    // "KEY" or "KEY1,KEY2": base64 of 32-byte Ed25519 public keys, spaces
    // around each allowed. 0, or -1 with a reason naming the bad key (no keys are kept then).
    int SetPublicKeys(const std::string& keysText, std::string& error);
    size_t KeyCount() const { return keys_.size(); }

    // 0 when `raw` (32 bytes) can serve as a release key; -1 with the reason for
    // a key of small order (all zero bytes, what an installer may leave, is one:
    // a fixed signature then verifies about half of all messages) or an encoding
    // that is not canonical (y >= p), which no key generator produces.
    static int CheckPublicKey(const std::string& raw, std::string& reason);

    // 0 when a key verifies `signatureText` (base64 of 64 bytes, surrounding
    // whitespace allowed) over `data`; -1 with the reason otherwise.
    int Verify(const std::string& data, const std::string& signatureText, std::string& error) const;

private:
    std::vector<std::string> keys_;  // raw 32 bytes each
};

}  // namespace zeva
