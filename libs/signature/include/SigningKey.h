#pragma once
// The publisher's Ed25519 private key: made once with `zeva-publish keygen`,
// kept in a PEM (PKCS #8) file only its owner can read, used to sign catalogs.

#include <filesystem>
#include <string>

namespace zeva {

class SigningKey {
public:
    SigningKey() = default;
    ~SigningKey();
    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;

    // A fresh key pair. 0, or -1 with a reason.
    int Generate(std::string& error);
    // Writes the private key to a new file only its owner can read (mode 0600, or
    // an access list naming only the current user); an existing file is never replaced.
    int Save(const std::filesystem::path& path, std::string& error) const;
    int Load(const std::filesystem::path& path, std::string& error);

    bool IsSet() const { return privateKey_.size() == 32; }
    // The public half as base64 of its 32 bytes (the form "PublicKey" holds).
    std::string PublicKeyBase64() const;
    // Base64 of the 64-byte Ed25519 signature over `data`, byte for byte.
    int Sign(const std::string& data, std::string& signatureBase64, std::string& error) const;

private:
    std::string privateKey_;  // raw 32 bytes
    std::string publicKey_;   // raw 32 bytes
};

}  // namespace zeva
