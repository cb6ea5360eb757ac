#pragma once
// A TLS peer on loopback for the https tests: certificates issued on the
// fly, and a server that answers one connection at a time.

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

namespace zeva::test {

struct Issued {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    Issued() = default;
    Issued(const Issued&) = delete;
    Issued& operator=(const Issued&) = delete;
    ~Issued();
};

// A certificate for `name` signed by `issuer` (a self-signed CA when null).
void Issue(Issued& out, const std::string& name, const Issued* issuer);

void WritePem(const std::filesystem::path& path, X509* cert);

// Serves one TLS connection at a time with a fixed answer, through
// OpenSSL's own sockets (the same code on every system).
class TlsServer {
public:
    // An empty answer closes the connection right after the handshake.
    TlsServer(const Issued& identity, std::string answer);
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;
    ~TlsServer();
    int Port() const { return port_; }
    int Served() const { return served_; }

private:
    void Loop();
    void Serve(BIO* connection);

    SSL_CTX* ctx_ = nullptr;
    BIO* acceptor_ = nullptr;
    int port_ = 0;
    std::string answer_;
    std::atomic<bool> stop_{false};
    std::atomic<int> served_{0};
    std::thread thread_;
};

}  // namespace zeva::test
