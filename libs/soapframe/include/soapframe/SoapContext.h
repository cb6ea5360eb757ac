#pragma once
// The SOAP side of one service call, shared by the service client libraries:
// a context that lives for one request, with its modes, time-outs, limits,
// request headers, proxy and TLS set up the same way for every call.

#include <cstdint>

struct soap;
struct Namespace;

namespace zeva::soapframe {

// Largest answer accepted; a bigger one fails the call instead of filling memory.
inline constexpr std::uint64_t kMaxAnswerBytes = 16u * 1024u * 1024u;

// Time-out used when a caller passes 0, which would otherwise mean "wait forever".
inline constexpr unsigned int kDefaultTimeoutSeconds = 5;

// Uninitialised storage for one context; FreeContext releases it.
soap* AllocateContext();
void FreeContext(soap* ctx);

// Initialises the context with the runtime's defaults, installs the
// service's namespace table, adds `modes` to the input and output modes, sets connect, send and
// receive time-outs to `timeoutSeconds` and bounds each message transfer to the same time, caps the
// answer size and installs the request-header hook (User-Agent "gSOAP/2.7", no Accept-Encoding).
void InitContext(soap* ctx, const Namespace* namespaces, unsigned int timeoutSeconds, int modes);

// The current user's Internet Settings proxy, read afresh; no proxy when the
// settings are missing, disabled or name no host.
void UseInternetSettingsProxy(soap* ctx);

// An explicit proxy; user and password are handed over even when empty.
void UseCustomProxy(soap* ctx, const char* host, short port, const char* user,
                    const char* password);

// Whether `endpoint` is an http or https URL, the only kinds a call is made to.
bool IsWebEndpoint(const char* endpoint);

// A copy of the endpoint owned by the context, with certificate and host-name
// checks against the system's CA store (or SSL_CERT_FILE / SSL_CERT_DIR when
// set) set up for https endpoints. Null when
// the endpoint is empty, not http or https, or TLS could not be set up.
const char* PrepareEndpoint(soap* ctx, const char* endpoint);

// A mutable copy of `text` owned by the context (request elements are char*).
char* ContextString(soap* ctx, const char* text);

// Releases everything the call allocated and ends the context.
void EndContext(soap* ctx);

// Keeps a peer that closes the connection during a TLS write from killing
// the host program with SIGPIPE: the signal is blocked on the calling thread
// for the scope, and one raised meanwhile is consumed. The process's signal
// handling is left alone.
class SigpipeGuard {
public:
    SigpipeGuard();
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;
    ~SigpipeGuard();

private:
    bool wasPending_ = false;
    bool wasBlocked_ = false;
};

// The settings of one call, as a client object stores them.
struct CallSettings {
    const char* endpoint = nullptr;
    unsigned int timeout = kDefaultTimeoutSeconds;
    int proxyOption = 0;  // 0 none, 1 Internet Settings, 2 the proxy below; others none
    const char* proxyHost = nullptr;
    short proxyPort = 0;
    const char* proxyUser = nullptr;
    const char* proxyPassword = nullptr;
};

// Prepares a fresh context for one call: InitContext with `namespaces` and
// `modes`, then the proxy the settings choose.
void PrepareContext(soap* ctx, const Namespace* namespaces, int modes,
                    const CallSettings& settings);

}  // namespace zeva::soapframe
