#pragma once
// The settings a service client object keeps between Initialize and its
// calls, stored the same way by every client library.

#include <string>

namespace zeva::soapframe {

// A C-string argument as kept: null becomes the empty string.
inline std::string OrEmptyString(const char* s) {
    return s ? std::string(s) : std::string();
}

// The fields of one client object, by reference; `Option` is its proxy enumeration.
template <class Option>
struct ClientFields {
    std::string& endpoint;
    unsigned int& timeout;
    Option& proxyOption;
    std::string& proxyHost;
    short& proxyPort;
    std::string& proxyUser;
    std::string& proxyPassword;

    // Keeps Initialize's arguments, null texts as empty ones.
    void Store(const char* endpointArg, unsigned int timeoutArg, Option proxyOptionArg,
               const char* proxyHostArg, short proxyPortArg, const char* proxyUserArg,
               const char* proxyPasswordArg) noexcept {
        try {
            endpoint = OrEmptyString(endpointArg);
            timeout = timeoutArg;
            proxyOption = proxyOptionArg;
            proxyHost = OrEmptyString(proxyHostArg);
            proxyPort = proxyPortArg;
            proxyUser = OrEmptyString(proxyUserArg);
            proxyPassword = OrEmptyString(proxyPasswordArg);
        } catch (...) {
            // Out of memory: the settings stay partly old; the next call reports it.
        }
    }
};

}  // namespace zeva::soapframe
