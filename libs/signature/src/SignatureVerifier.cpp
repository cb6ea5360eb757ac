#include "SignatureVerifier.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <memory>

#include "Base64.h"

namespace zeva {

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
