#include "soapframe/SoapContext.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <string>

#include "SoapContext_p.h"
#include "platform/InternetSettings.h"
#include "stdsoap2.h"

namespace zeva::soapframe {
namespace {

using PostHeaderFn = int (*)(struct soap*, const char*, const char*);

// The runtime's own header writer, the same for every context.
PostHeaderFn g_runtimePostHeader = nullptr;

// The service expects the request headers of the client it was built for.
int PostHeader(struct soap* ctx, const char* key, const char* value) {
    if (key && std::strcmp(key, "User-Agent") == 0)
        return g_runtimePostHeader(ctx, key, "gSOAP/2.7");
    if (key && std::strcmp(key, "Accept-Encoding") == 0) return SOAP_OK;
    return g_runtimePostHeader(ctx, key, value);
}

int ClampSeconds(unsigned int seconds) {
    if (seconds == 0) return static_cast<int>(kDefaultTimeoutSeconds);
    return seconds > static_cast<unsigned int>(INT_MAX) ? INT_MAX : static_cast<int>(seconds);
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        if (std::tolower(static_cast<unsigned char>(*text)) !=
            std::tolower(static_cast<unsigned char>(*prefix)))
            return false;
    }
    return true;
}

// Size of the proxy host buffer the Internet Settings are read into.
constexpr std::size_t kProxyHostBuffer = 260;

}  // namespace

bool IsWebEndpoint(const char* endpoint) {
    return endpoint &&
           (StartsWithNoCase(endpoint, "http://") || StartsWithNoCase(endpoint, "https://"));
}

soap* AllocateContext() {
    return static_cast<soap*>(::operator new(sizeof(struct soap)));
}

void FreeContext(soap* ctx) {
    ::operator delete(ctx);
}

void InitContext(soap* ctx, const Namespace* table, unsigned int timeoutSeconds, int modes) {
    soap_init(ctx);
    soap_set_namespaces(ctx, table);
    soap_set_imode(ctx, static_cast<soap_mode>(modes));
    soap_set_omode(ctx, static_cast<soap_mode>(modes));
    const int seconds = ClampSeconds(timeoutSeconds);
    ctx->connect_timeout = seconds;
    ctx->send_timeout = seconds;
    ctx->recv_timeout = seconds;
    // Per-byte time-outs alone let a server that drips one byte at a time
    // hold the call forever; this bounds each message as a whole.
    ctx->transfer_timeout = seconds;
    ctx->recv_maxlength = kMaxAnswerBytes;
    ctx->socket_flags = kNoSignalFlag;
    static std::once_flag once;
    std::call_once(once, [ctx] { g_runtimePostHeader = ctx->fposthdr; });
    ctx->fposthdr = PostHeader;
}

void UseInternetSettingsProxy(soap* ctx) {
    const InternetProxySettings settings = ReadInternetProxySettings();
    if (!settings.keyFound || !settings.proxyEnable || *settings.proxyEnable == 0) return;
    if (!settings.proxyServer) return;
    char* host = static_cast<char*>(soap_malloc(ctx, kProxyHostBuffer));
    if (!host) return;
    std::memset(host, 0, kProxyHostBuffer);
    std::strncpy(host, settings.proxyServer->c_str(), kProxyHostBuffer - 1);
    if (char* colon = std::strchr(host, ':')) {
        ctx->proxy_port = std::atoi(colon + 1);
        *colon = '\0';
    }
    // An empty value names no proxy; using it would only make the call fail.
    if (*host) ctx->proxy_host = host;
}

void UseCustomProxy(soap* ctx, const char* host, short port, const char* user,
                    const char* password) {
    ctx->proxy_host = soap_strdup(ctx, host ? host : "");
    // The interface carries the port in a signed 16-bit field; ports above
    // 32767 arrive negative and are meant as their unsigned value.
    ctx->proxy_port = static_cast<unsigned short>(port);
    ctx->proxy_userid = soap_strdup(ctx, user ? user : "");
    ctx->proxy_passwd = soap_strdup(ctx, password ? password : "");
}

const char* PrepareEndpoint(soap* ctx, const char* endpoint) {
    if (!endpoint || !*endpoint) return nullptr;
    // The runtime would treat other endpoints as files or standard input and
    // output, which no service is.
    if (!IsWebEndpoint(endpoint)) return nullptr;
    const char* copy = soap_strdup(ctx, endpoint);
    if (!copy) return nullptr;
    if (StartsWithNoCase(copy, "https:")) {
        static std::once_flag once;
        std::call_once(once, [] { soap_ssl_init(); });
        if (UseSystemCaStore(ctx) != SOAP_OK) return nullptr;
    }
    return copy;
}

char* ContextString(soap* ctx, const char* text) {
    return soap_strdup(ctx, text ? text : "");
}

void EndContext(soap* ctx) {
    soap_destroy(ctx);
    soap_end(ctx);
    soap_done(ctx);
}

void PrepareContext(soap* ctx, const Namespace* table, int modes, const CallSettings& settings) {
    InitContext(ctx, table, settings.timeout, modes);
    if (settings.proxyOption == 1)
        UseInternetSettingsProxy(ctx);
    else if (settings.proxyOption == 2)
        UseCustomProxy(ctx, settings.proxyHost, settings.proxyPort, settings.proxyUser,
                       settings.proxyPassword);
}

}  // namespace zeva::soapframe
