#include "Cipher_p.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <climits>
#include <memory>

namespace zeva::cfg {

namespace {

constexpr std::string_view kMagic = "ZEVACFG1";
constexpr size_t kNonceSize = 12;
constexpr size_t kTagSize = 16;

using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// The application key: a digest of a fixed text, so no key bytes need to be
// written out in the source.
const std::array<unsigned char, 32>& ApplicationKey() {
    static const std::array<unsigned char, 32> key = [] {
        std::array<unsigned char, 32> k{};
        constexpr std::string_view seed = "ZEVA care client settings store, key v1";
        unsigned int len = 0;
        EVP_Digest(seed.data(), seed.size(), k.data(), &len, EVP_sha256(), nullptr);
        return k;
    }();
    return key;
}

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}
unsigned char* Bytes(std::string& s) {
    return reinterpret_cast<unsigned char*>(s.data());
}

}  // namespace

std::optional<std::string> Seal(std::string_view plain) {
    if (plain.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
    std::string out(kMagic);
    out.resize(kMagic.size() + kNonceSize);
    unsigned char* nonce = Bytes(out) + kMagic.size();
    if (RAND_bytes(nonce, static_cast<int>(kNonceSize)) != 1) return std::nullopt;

    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int len = 0;
    if (!ctx ||
        EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, ApplicationKey().data(), nonce) !=
            1 ||
        EVP_EncryptUpdate(ctx.get(), nullptr, &len, Bytes(kMagic),
                          static_cast<int>(kMagic.size())) != 1) {
        return std::nullopt;
    }
    const size_t head = out.size();
    out.resize(head + plain.size() + kTagSize);
    if (EVP_EncryptUpdate(ctx.get(), Bytes(out) + head, &len, Bytes(plain),
                          static_cast<int>(plain.size())) != 1) {
        return std::nullopt;
    }
    int fin = 0;
    if (EVP_EncryptFinal_ex(ctx.get(), Bytes(out) + head + len, &fin) != 1) return std::nullopt;
    const size_t cipherLen = static_cast<size_t>(len) + static_cast<size_t>(fin);
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize),
                            Bytes(out) + head + cipherLen) != 1) {
        return std::nullopt;
    }
    out.resize(head + cipherLen + kTagSize);
    return out;
}

std::optional<std::string> Open(std::string_view sealed) {
    if (sealed.size() < kMagic.size() + kNonceSize + kTagSize ||
        sealed.substr(0, kMagic.size()) != kMagic || sealed.size() > static_cast<size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const unsigned char* nonce = Bytes(sealed) + kMagic.size();
    const std::string_view body = sealed.substr(
        kMagic.size() + kNonceSize, sealed.size() - kMagic.size() - kNonceSize - kTagSize);
    std::string tag(sealed.substr(sealed.size() - kTagSize));

    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int len = 0;
    if (!ctx ||
        EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, ApplicationKey().data(), nonce) !=
            1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &len, Bytes(kMagic),
                          static_cast<int>(kMagic.size())) != 1) {
        return std::nullopt;
    }
    std::string plain(body.size(), '\0');
    if (EVP_DecryptUpdate(ctx.get(), Bytes(plain), &len, Bytes(body),
                          static_cast<int>(body.size())) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize),
                            tag.data()) != 1) {
        return std::nullopt;
    }
    int fin = 0;
    if (EVP_DecryptFinal_ex(ctx.get(), Bytes(plain) + len, &fin) != 1)
        return std::nullopt;  // tampered
    plain.resize(static_cast<size_t>(len) + static_cast<size_t>(fin));
    return plain;
}

}  // namespace zeva::cfg
