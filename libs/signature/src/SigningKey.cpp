#include "SigningKey.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "Base64.h"
#include "KeyFile_p.h"

namespace zeva {

namespace {

using PKey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;

std::string OpenSslError(const std::string& what) {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return what;
    char text[256] = {0};
    ERR_error_string_n(code, text, sizeof text);
    return what + ": " + text;
}

bool RawKeys(EVP_PKEY* key, std::string& privateKey, std::string& publicKey) {
    unsigned char priv[32];
    unsigned char pub[32];
    size_t privLen = sizeof priv;
    size_t pubLen = sizeof pub;
    if (EVP_PKEY_get_raw_private_key(key, priv, &privLen) != 1 || privLen != 32 ||
        EVP_PKEY_get_raw_public_key(key, pub, &pubLen) != 1 || pubLen != 32) {
        OPENSSL_cleanse(priv, sizeof priv);
        return false;
    }
    privateKey.assign(reinterpret_cast<const char*>(priv), 32);
    publicKey.assign(reinterpret_cast<const char*>(pub), 32);
    OPENSSL_cleanse(priv, sizeof priv);
    return true;
}

PKey PrivateKey(const std::string& raw) {
    return PKey(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr,
                                             reinterpret_cast<const unsigned char*>(raw.data()),
                                             raw.size()),
                &EVP_PKEY_free);
}

}  // namespace

SigningKey::~SigningKey() {
    if (!privateKey_.empty()) OPENSSL_cleanse(privateKey_.data(), privateKey_.size());
}

int SigningKey::Generate(std::string& error) {
    EVP_PKEY* raw = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    PKey key(raw, &EVP_PKEY_free);
    if (!key || !RawKeys(key.get(), privateKey_, publicKey_)) {
        error = OpenSslError("cannot make an Ed25519 key");
        return -1;
    }
    return 0;
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

int SigningKey::Save(const std::filesystem::path& path, std::string& error) const {
    if (!IsSet()) {
        error = "no key to save";
        return -1;
    }
    PKey key = PrivateKey(privateKey_);
    Bio mem(BIO_new(BIO_s_mem()), &BIO_free);
    if (!key || !mem ||
        PEM_write_bio_PrivateKey(mem.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) !=
            1) {
        error = OpenSslError("cannot encode the private key");
        return -1;
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(mem.get(), &data);
    std::string pem(data, static_cast<size_t>(size));
    const int rc = WriteOwnerOnlyFile(path, pem, error);
    OPENSSL_cleanse(pem.data(), pem.size());
    return rc;
}

int SigningKey::Load(const std::filesystem::path& path, std::string& error) {
    // Read through the native (on Windows UTF-16) path, parsed from memory.
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = PathText(path) + ": " + std::strerror(errno);
        return -1;
    }
    std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Bio mem(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
    PKey key(mem ? PEM_read_bio_PrivateKey(mem.get(), nullptr, nullptr, nullptr) : nullptr,
             &EVP_PKEY_free);
    OPENSSL_cleanse(pem.data(), pem.size());
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519 ||
        !RawKeys(key.get(), privateKey_, publicKey_)) {
        error = OpenSslError(PathText(path) + ": not an Ed25519 private key");
        return -1;
    }
    return 0;
}

std::string SigningKey::PublicKeyBase64() const {
    return Base64Encode(publicKey_);
}

int SigningKey::Sign(const std::string& data, std::string& signatureBase64,
                     std::string& error) const {
    PKey key = IsSet() ? PrivateKey(privateKey_) : PKey(nullptr, &EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char signature[64];
    size_t length = sizeof signature;
    if (!key || !ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), signature, &length,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1) {
        error = OpenSslError("cannot sign");
        return -1;
    }
    signatureBase64 = Base64Encode(std::string(reinterpret_cast<const char*>(signature), length));
    return 0;
}

}  // namespace zeva
