#include "TlsServer.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace zeva::test {

Issued::~Issued() {
    X509_free(cert);
    EVP_PKEY_free(key);
}

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
    BIO* file = BIO_new(BIO_s_file());
    // OpenSSL opens UTF-8 names on every system (through the wide API on Windows).
    const std::u8string u8 = path.u8string();
    const std::string name(u8.begin(), u8.end());
    if (!file || BIO_write_filename(file, const_cast<char*>(name.c_str())) <= 0 ||
        PEM_write_bio_X509(file, cert) != 1) {
        BIO_free(file);
        throw std::runtime_error("cannot write " + name);
    }
    BIO_free(file);
}

TlsServer::TlsServer(const Issued& identity, std::string answer) : answer_(std::move(answer)) {
    ctx_ = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate(ctx_, identity.cert);
    SSL_CTX_use_PrivateKey(ctx_, identity.key);
    acceptor_ = BIO_new_accept("127.0.0.1:0");
    // The first call binds and listens; the bound port is known from then on.
    if (!acceptor_ || BIO_do_accept(acceptor_) <= 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    port_ = std::stoi(BIO_get_accept_port(acceptor_));
    thread_ = std::thread([this] { Loop(); });
}

TlsServer::~TlsServer() {
    stop_ = true;
    // A connection of our own wakes the blocking accept.
    BIO* wake = BIO_new_connect(("127.0.0.1:" + std::to_string(port_)).c_str());
    if (wake) BIO_do_connect(wake);
    thread_.join();
    BIO_free_all(wake);
    BIO_free_all(acceptor_);
    SSL_CTX_free(ctx_);
}

void TlsServer::Loop() {
#if defined(SIGPIPE)
    // A client that gives up mid-handshake must not kill the test with SIGPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
#endif
    while (!stop_) {
        if (BIO_do_accept(acceptor_) <= 0) continue;
        BIO* connection = BIO_pop(acceptor_);
        if (!stop_) Serve(connection);
        BIO_free_all(connection);
    }
}

void TlsServer::Serve(BIO* connection) {
    SSL* ssl = SSL_new(ctx_);
    BIO_up_ref(connection);  // the SSL object holds a reference of its own
    SSL_set_bio(ssl, connection, connection);
    if (SSL_accept(ssl) == 1) {
        if (!answer_.empty()) {
            std::string request;
            char buf[4096];
            int n;
            while (request.find("</SOAP-ENV:Envelope>") == std::string::npos &&
                   (n = SSL_read(ssl, buf, sizeof buf)) > 0)
                request.append(buf, static_cast<std::size_t>(n));
            SSL_write(ssl, answer_.data(), static_cast<int>(answer_.size()));
            SSL_shutdown(ssl);
        }
        ++served_;
    }
    SSL_free(ssl);
    ERR_clear_error();
}

}  // namespace zeva::test
