// The call frame on Windows: no SIGPIPE to mask, and the trusted CAs are the
// current user's "ROOT" system store, handed to OpenSSL certificate by
// certificate.

#include <winsock2.h>

#include <windows.h>

#include <wincrypt.h>

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstdlib>

#include "SoapContext_p.h"
#include "platform/ProgramArguments.h"
#include "soapframe/SoapContext.h"
#include "stdsoap2.h"

namespace zeva::soapframe {

const int kNoSignalFlag = 0;

namespace {

// Adds every certificate of the "ROOT" store to OpenSSL's trust store; one
// OpenSSL cannot read is skipped. False when the store cannot be opened.
bool AddRootStore(X509_STORE* trusted) {
    HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (!store) return false;
    for (PCCERT_CONTEXT cert = CertEnumCertificatesInStore(store, nullptr); cert;
         cert = CertEnumCertificatesInStore(store, cert)) {
        const unsigned char* der = cert->pbCertEncoded;
        X509* x509 = d2i_X509(nullptr, &der, static_cast<long>(cert->cbCertEncoded));
        if (!x509) continue;
        // A certificate already present is reported as an error, which is harmless.
        X509_STORE_add_cert(trusted, x509);
        X509_free(x509);
    }
    CertCloseStore(store, 0);
    return true;
}

}  // namespace

int UseSystemCaStore(soap* ctx) {
    // UTF-8, which OpenSSL takes file names in on Windows.
    const auto cafile = zeva::EnvironmentVariable("SSL_CERT_FILE");
    const auto capath = zeva::EnvironmentVariable("SSL_CERT_DIR");
    const char* file = cafile && !cafile->empty() ? cafile->c_str() : nullptr;
    const char* dir = capath && !capath->empty() ? capath->c_str() : nullptr;
    if (file || dir)
        return soap_ssl_client_context(ctx, SOAP_SSL_DEFAULT, nullptr, nullptr, file, dir, nullptr);
    const int status =
        soap_ssl_client_context(ctx, SOAP_SSL_DEFAULT, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (status != SOAP_OK) return status;
    if (!ctx->ctx || !AddRootStore(SSL_CTX_get_cert_store(ctx->ctx)))
        return soap_set_receiver_error(ctx, "SSL/TLS error", "Can't open the system's ROOT store",
                                       SOAP_SSL_ERROR);
    return SOAP_OK;
}

SigpipeGuard::SigpipeGuard() = default;
SigpipeGuard::~SigpipeGuard() = default;

}  // namespace zeva::soapframe
