// The call frame on Linux: signals and the system's CA folder.

#include <sys/socket.h>

#include <csignal>
#include <cstdlib>
#include <ctime>

#include "SoapContext_p.h"
#include "soapframe/SoapContext.h"
#include "stdsoap2.h"

namespace zeva::soapframe {

const int kNoSignalFlag = MSG_NOSIGNAL;

int UseSystemCaStore(soap* ctx) {
    // The system's CA store, unless OpenSSL's usual variables name another.
    const char* cafile = std::getenv("SSL_CERT_FILE");
    const char* capath = std::getenv("SSL_CERT_DIR");
    if (!cafile || !*cafile) {
        cafile = "/etc/ssl/certs/ca-certificates.crt";
        if (!capath || !*capath) capath = "/etc/ssl/certs";
    }
    if (capath && !*capath) capath = nullptr;
    return soap_ssl_client_context(ctx, SOAP_SSL_DEFAULT, nullptr, nullptr, cafile, capath,
                                   nullptr);
}

SigpipeGuard::SigpipeGuard() {
    sigset_t pipe, old, pending;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
    wasBlocked_ = sigismember(&old, SIGPIPE) == 1;
}

SigpipeGuard::~SigpipeGuard() {
    sigset_t pipe, pending;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    if (!wasPending_) {
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{0, 0};
            sigtimedwait(&pipe, nullptr, &now);
        }
    }
    if (!wasBlocked_) pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
}

}  // namespace zeva::soapframe
