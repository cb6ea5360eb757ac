#pragma once
// One call of an operation: a fresh SOAP context prepared from the object's
// settings, released when the frame goes out of scope.

#include <string>

#include "ZEVAClientIntf.h"
#include "soapframe/Guarded.h"
#include "soapframe/SoapContext.h"
#include "zevabsH.h"

// Internal to the library, although nested in an exported class.
class __attribute__((visibility("hidden"))) CZEVACommonClientIntf::CallFrame {
public:
    explicit CallFrame(CZEVACommonClientIntf& owner);
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;
    ~CallFrame();

    struct soap* Context() {
        return ctx_;
    }
    // The endpoint, owned by the context; null when it could not be prepared.
    const char* Endpoint() const { return endpoint_; }
    // Runs the generated call `fn(ctx, endpoint)`; true when it succeeded.
    template <class Fn>
    bool Invoke(Fn&& fn) {
        return endpoint_ && fn(ctx_, endpoint_) == SOAP_OK;
    }
    // A request text, converted to UTF-8 and owned by the context.
    char* Request(const std::string& acpText);
    // Sets the connection message and returns -1.
    int ConnectFailed();
    // Sets a message (UTF-8 literal) and returns -1.
    int Fail(const char* utf8Message);
    // The answer text converted to the system code page.
    std::string Answer(const char* utf8);
    // The answer's text in the system code page, 0; -1 with the bad-answer
    // message when the answer carried none (`text` then stays as it was).
    int AnswerText(const char* utf8, std::string& text);

    // Runs an operation's body so that no exception leaves the library; an
    // unexpected one (memory exhausted) fails the call like a lost connection.
    template <class Body>
    static int Guarded(CZEVACommonClientIntf& owner, Body&& body) {
        return zeva::soapframe::Guarded(body, [&owner] { SetConnectFailed(owner); });
    }

private:
    static void SetConnectFailed(CZEVACommonClientIntf& owner);

    zeva::soapframe::SigpipeGuard sigpipe_;
    CZEVACommonClientIntf& owner_;
    struct soap* ctx_;
    const char* endpoint_ = nullptr;
};

// SOAPAction of every operation.
inline constexpr char kSoapAction[] = "";
