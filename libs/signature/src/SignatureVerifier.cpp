#include "SignatureVerifier.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>

#include <cstring>
#include <memory>

#include "Base64.h"

namespace zeva {

namespace {

// The y coordinates (sign bit cleared, little-endian) of the eight points of
// order dividing 8: 0 (order 4, both signs), 1 (identity), p - 1 (order 2) and
// the two pairs of order 8.
const unsigned char kSmallOrderY[][32] = {
    {0x00},
    {0x01},
    {0xec, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f},
    {0x26, 0xe8, 0x95, 0x8f, 0xc2, 0xb2, 0x27, 0xb0, 0x45, 0xc3, 0xf4,
     0x89, 0xf2, 0xef, 0x98, 0xf0, 0xd5, 0xdf, 0xac, 0x05, 0xd3, 0xc6,
     0x33, 0x39, 0xb1, 0x38, 0x02, 0x88, 0x6d, 0x53, 0xfc, 0x05},
    {0xc7, 0x17, 0x6a, 0x70, 0x3d, 0x4d, 0xd8, 0x4f, 0xba, 0x3c, 0x0b,
     0x76, 0x0d, 0x10, 0x67, 0x0f, 0x2a, 0x20, 0x53, 0xfa, 0x2c, 0x39,
     0xcc, 0xc6, 0x4e, 0xc7, 0xfd, 0x77, 0x92, 0xac, 0x03, 0x7a},
};

using Bignum = std::unique_ptr<BIGNUM, decltype(&BN_free)>;

// y >= p = 2^255 - 19: the same point has a shorter name, or none at all.
bool NonCanonicalY(const unsigned char* y) {
    Bignum value(BN_lebin2bn(y, 32, nullptr), &BN_free);
    Bignum p(BN_new(), &BN_free);
    if (!value || !p || BN_set_bit(p.get(), 255) != 1 || BN_sub_word(p.get(), 19) != 1) {
        return true;  // cannot tell: refused
    }
    return BN_cmp(value.get(), p.get()) >= 0;
}

}  // namespace

int SignatureVerifier::CheckPublicKey(const std::string& raw, std::string& reason) {
    if (raw.size() != 32) {
        reason = "not a 32-byte Ed25519 key";
        return -1;
    }
    unsigned char y[32];
    std::memcpy(y, raw.data(), 32);
    y[31] &= 0x7f;  // the sign of x
    for (const auto& smallOrder : kSmallOrderY) {
        if (std::memcmp(y, smallOrder, 32) == 0) {
            reason =
                "a key of small order (a placeholder, not a real key): it would accept forged "
                "signatures";
            return -1;
        }
    }
    if (NonCanonicalY(y)) {
        reason = "not a canonical Ed25519 key encoding";
        return -1;
    }
    return 0;
}

int SignatureVerifier::SetPublicKeys(const std::string& keysText, std::string& error) {
    keys_.clear();
    std::vector<std::string> keys;
    size_t start = 0;
    while (start <= keysText.size()) {
        const size_t comma = keysText.find(',', start);
        const std::string item =
            keysText.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::string raw;
        if (!Base64Decode(item, raw) || raw.size() != 32) {
            error = "public key \"" + item + "\" is not base64 of a 32-byte Ed25519 key";
            return -1;
        }
        std::string reason;
        if (CheckPublicKey(raw, reason) != 0) {
            error = "public key \"" + item + "\" is refused: " + reason;
            return -1;
        }
        keys.push_back(std::move(raw));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    keys_ = std::move(keys);
    return 0;
}

int SignatureVerifier::Verify(const std::string& data, const std::string& signatureText,
                              std::string& error) const {
    if (keys_.empty()) {
        error = "no public key configured";
        return -1;
    }
    std::string signature;
    if (!Base64Decode(signatureText, signature)) {
        error = "the signature is not base64 text";
        return -1;
    }
    if (signature.size() != 64) {
        error = "the signature has " + std::to_string(signature.size()) + " bytes, not 64";
        return -1;
    }
    for (const std::string& raw : keys_) {
        std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
            EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                        reinterpret_cast<const unsigned char*>(raw.data()),
                                        raw.size()),
            &EVP_PKEY_free);
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
        if (!key || !ctx ||
            EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) {
            ERR_clear_error();
            continue;
        }
        const int rc = EVP_DigestVerify(
            ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
            reinterpret_cast<const unsigned char*>(data.data()), data.size());
        ERR_clear_error();
        if (rc == 1) return 0;
    }
    error = keys_.size() == 1 ? "the signature does not verify with the configured public key"
                              : "the signature does not verify with any configured public key";
    return -1;
}

}  // namespace zeva
