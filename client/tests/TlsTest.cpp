// https endpoints: the server's certificate must chain to a trusted CA and
// name the host that was asked for.

#include <gtest/gtest.h>

#include <csignal>

#include "RawHttpServer.h"
#include "TestSupport.h"
#include "TlsServer.h"
#include "ZEVAClientIntf.h"
#include "platform/CodePage.h"

using namespace zeva::test;

namespace {

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
#if defined(SIGPIPE)
    // SIGPIPE is deliverable again after the call (Windows has no such signal).
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_EQ(sigismember(&mask, SIGPIPE), 0);
#endif
}
