// https endpoints: the server's certificate must chain to a trusted CA and
// name the host that was asked for.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "RawHttpServer.h"
#include "TestSupport.h"
#include "ZEVAClientIntf.h"
#include "platform/CodePage.h"

using namespace zeva::test;

namespace {

struct Issued {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    ~Issued() {
        X509_free(cert);
        EVP_PKEY_free(key);
    }
};

// A certificate for `name` signed by `issuer` (self-signed CA when null).
void Issue(Issued& out, const std::string& name, const Issued* issuer) {
    out.key = EVP_EC_gen("P-256");
    out.cert = X509_new();
    X509_set_version(out.cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(out.cert), issuer ? 2 : 1);
    X509_gmtime_adj(X509_getm_notBefore(out.cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(out.cert), 86400);
    X509_set_pubkey(out.cert, out.key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(out.cert), "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    X509_set_issuer_name(out.cert, X509_get_subject_name(issuer ? issuer->cert : out.cert));
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer ? issuer->cert : out.cert, out.cert, nullptr, nullptr, 0);
    const std::string san = "DNS:" + name + (name == "127.0.0.1" ? ",IP:127.0.0.1" : "");
    const std::pair<int, std::string> extensions[] = {
        {NID_basic_constraints, issuer ? "CA:FALSE" : "critical,CA:TRUE"},
        {NID_subject_alt_name, san},
    };
    for (const auto& [nid, value] : extensions) {
        X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
        X509_add_ext(out.cert, ext, -1);
        X509_EXTENSION_free(ext);
    }
    X509_sign(out.cert, issuer ? issuer->key : out.key, EVP_sha256());
}

void WritePem(const std::filesystem::path& path, X509* cert) {
    FILE* f = std::fopen(path.c_str(), "w");
    PEM_write_X509(f, cert);
    std::fclose(f);
}

// Serves one TLS connection at a time with a fixed answer.
class TlsServer {
public:
    // An empty answer closes the connection right after the handshake.
    TlsServer(const Issued& identity, std::string answer) : answer_(std::move(answer)) {
        ctx_ = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate(ctx_, identity.cert);
        SSL_CTX_use_PrivateKey(ctx_, identity.key);
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 4);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Loop(); });
    }
    ~TlsServer() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
        SSL_CTX_free(ctx_);
    }
    int Port() const { return port_; }
    int Served() const { return served_; }

private:
    void Loop() {
        // A client that gives up mid-handshake must not kill the test with SIGPIPE.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int c = ::accept(fd_, nullptr, nullptr);
            timeval tv{2, 0};
            setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
            SSL* ssl = SSL_new(ctx_);
            SSL_set_fd(ssl, c);
            if (SSL_accept(ssl) == 1 && answer_.empty()) {
                ++served_;
            } else if (SSL_accept(ssl) == 1) {
                std::string request;
                char buf[4096];
                int n;
                while (request.find("</SOAP-ENV:Envelope>") == std::string::npos &&
                       (n = SSL_read(ssl, buf, sizeof buf)) > 0)
                    request.append(buf, static_cast<std::size_t>(n));
                SSL_write(ssl, answer_.data(), static_cast<int>(answer_.size()));
                SSL_shutdown(ssl);
                ++served_;
            }
            SSL_free(ssl);
            ::close(c);
        }
    }

    SSL_CTX* ctx_;
    int fd_;
    int port_ = 0;
    std::string answer_;
    std::atomic<bool> stop_{false};
    std::atomic<int> served_{0};
    std::thread thread_;
};

const std::string kAnswer = RawHttpServer::HttpOk(RawHttpServer::Envelope(
    "<ns1:getIpAddressResponse "
    "xmlns:ns1=\"http://service.kelv.pelmo.com\"><ns1:out>10.4.4.4</ns1:out>"
    "</ns1:getIpAddressResponse>"));

int Call(const std::string& url, std::string& ip) {
    CZEVAClientIntf client;
    client.Initialize(url.c_str(), 3, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    return client.GetClientIp(ip);
}

class Tls : public ::testing::Test {
protected:
    void SetUp() override {
        Issue(ca, "Test Root CA", nullptr);
        WritePem(dir / "ca.pem", ca.cert);
    }
    TempDir dir;
    ScopedEnv certDir{"SSL_CERT_DIR", ""};
    Issued ca;
};

}  // namespace

TEST_F(Tls, TrustedCertificateForTheHostWorks) {
    Issued server;
    Issue(server, "127.0.0.1", &ca);
    TlsServer tls(server, kAnswer);
    ScopedEnv trust("SSL_CERT_FILE", (dir / "ca.pem").string());
    std::string ip;
    EXPECT_EQ(Call("https://127.0.0.1:" + std::to_string(tls.Port()) + "/kelv/BService.ws", ip), 0);
    EXPECT_EQ(ip, "10.4.4.4");
}

TEST_F(Tls, UntrustedCertificateIsRefused) {
    Issued server;
    Issue(server, "127.0.0.1", &ca);
    TlsServer tls(server, kAnswer);
    ScopedEnv trust("SSL_CERT_FILE", std::nullopt);  // the system's CAs only
    std::string ip = "unchanged";
    EXPECT_EQ(Call("https://127.0.0.1:" + std::to_string(tls.Port()) + "/kelv/BService.ws", ip),
              -1);
    EXPECT_EQ(ip, "unchanged");
    EXPECT_EQ(tls.Served(), 0);
}

TEST_F(Tls, CertificateForAnotherHostIsRefused) {
    Issued server;
    Issue(server, "other.example", &ca);
    TlsServer tls(server, kAnswer);
    ScopedEnv trust("SSL_CERT_FILE", (dir / "ca.pem").string());
    std::string ip = "unchanged";
    EXPECT_EQ(Call("https://127.0.0.1:" + std::to_string(tls.Port()) + "/kelv/BService.ws", ip),
              -1);
    EXPECT_EQ(ip, "unchanged");
}

TEST_F(Tls, PeerClosingDuringTheRequestDoesNotKillTheProgram) {
    Issued server;
    Issue(server, "127.0.0.1", &ca);
    TlsServer tls(server, "");
    ScopedEnv trust("SSL_CERT_FILE", (dir / "ca.pem").string());
    CZEVAClientIntf client;
    const std::string url = "https://127.0.0.1:" + std::to_string(tls.Port()) + "/kelv/BService.ws";
    client.Initialize(url.c_str(), 3, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    const std::string big(4u * 1024u * 1024u, 'x');  // far more than the socket buffers hold
    std::string out;
    EXPECT_EQ(client.GetChangePasswordUrl(big.c_str(), "pw", out), -1);
    EXPECT_EQ(client.GetLastErrorInfo(), zeva::Acp("连接服务器失败，网络可能不畅通！"));
    // SIGPIPE is deliverable again after the call.
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_EQ(sigismember(&mask, SIGPIPE), 0);
}
