// On Windows an https call trusts the CAs of the current user's "ROOT"
// system store (no CA folder as on Linux).

#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <openssl/x509.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "TlsServer.h"
#include "ZEVAClientIntf.h"

using namespace zeva::test;

namespace {

// The CA in the user's "ROOT" store for the scope of a test.
class TrustedRoot {
public:
    explicit TrustedRoot(X509* ca) {
        const int size = i2d_X509(ca, nullptr);
        der_.resize(static_cast<std::size_t>(size));
        unsigned char* out = der_.data();
        i2d_X509(ca, &out);
        added_ = CertAddEncodedCertificateToSystemStoreW(L"ROOT", der_.data(),
                                                         static_cast<DWORD>(der_.size())) != FALSE;
    }
    TrustedRoot(const TrustedRoot&) = delete;
    TrustedRoot& operator=(const TrustedRoot&) = delete;
    // Wine reports the removal as done but keeps the certificate; it is
    // valid for a day only and trusts nothing but the servers of these tests.
    ~TrustedRoot() {
        if (!added_) return;
        PCCERT_CONTEXT probe = CertCreateCertificateContext(X509_ASN_ENCODING, der_.data(),
                                                            static_cast<DWORD>(der_.size()));
        HCERTSTORE store =
            CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
        if (probe && store) {
            PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                              CERT_FIND_EXISTING, probe, nullptr);
            if (found) CertDeleteCertificateFromStore(found);  // frees `found`
        }
        if (store) CertCloseStore(store, 0);
        if (probe) CertFreeCertificateContext(probe);
    }
    bool Added() const { return added_; }

private:
    std::vector<unsigned char> der_;
    bool added_ = false;
};

const std::string kAnswer =
    "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nConnection: close\r\n\r\n"
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
    "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
    "<ns1:getIpAddressResponse xmlns:ns1=\"http://service.kelv.pelmo.com\">"
    "<ns1:out>10.4.4.4</ns1:out></ns1:getIpAddressResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";

int Call(int port, std::string& ip) {
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/kelv/BService.ws";
    CZEVAClientIntf client;
    client.Initialize(url.c_str(), 3, BCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    return client.GetClientIp(ip);
}

}  // namespace

TEST(SystemRootStore, ACaIsTrustedOnceInTheUsersRootStore) {
    ScopedEnv file("SSL_CERT_FILE", std::nullopt);
    ScopedEnv folder("SSL_CERT_DIR", std::nullopt);
    Issued ca, server;
    // A name of its own: a CA of an earlier run that Wine kept must not be taken for it.
    Issue(ca, "Zeva Test Root CA " + std::to_string(GetTickCount64()), nullptr);
    Issue(server, "127.0.0.1", &ca);
    TlsServer tls(server, kAnswer);

    std::string ip = "unchanged";
    EXPECT_EQ(Call(tls.Port(), ip), -1);
    EXPECT_EQ(ip, "unchanged");
    EXPECT_EQ(tls.Served(), 0);

    TrustedRoot trusted(ca.cert);
    ASSERT_TRUE(trusted.Added());
    EXPECT_EQ(Call(tls.Port(), ip), 0);
    EXPECT_EQ(ip, "10.4.4.4");
    EXPECT_EQ(tls.Served(), 1);
}
