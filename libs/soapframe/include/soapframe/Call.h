#pragma once
// One operation of a service client, written once for both libraries: the
// guard that keeps exceptions inside the library, a fresh context, the
// request text, the generated call and the connection failure. An operation
// supplies only its payload and its answer handling.

#include <string>
#include <string_view>
#include <type_traits>

#include "soapframe/Guarded.h"
#include "soapframe/Messages.h"
#include "soapframe/SoapContext.h"

namespace zeva::soapframe {

// SOAPAction of every operation of both services.
inline constexpr char kSoapAction[] = "";

// A client object as its calls see it.
class CallOwner {
public:
    // Prepares a fresh context: defaults, namespaces, modes, time-outs, proxy.
    virtual void Prepare(soap* ctx) = 0;
    // Releases what the call allocated and ends the context.
    virtual void Release(soap* ctx) = 0;
    // The endpoint every request is posted to.
    virtual const char* Endpoint() const = 0;
    // Replaces the object's error text (system code page).
    virtual void SetErrorText(const std::string& acpText) = 0;

protected:
    ~CallOwner() = default;
};

// Sets a message (UTF-8 literal) as the owner's error text.
void SetMessage(CallOwner& owner, const char* utf8Message);

// One call from start to end: the context lives as long as this object.
class Call {
public:
    explicit Call(CallOwner& owner);
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    ~Call();

    // A request text in the system code page, as the context's UTF-8 copy.
    char* Request(std::string_view acpText);
    // Runs the generated call `fn(ctx, endpoint)`; true when it succeeded.
    template <class Fn>
    bool Invoke(Fn&& fn) {
        return endpoint_ && fn(ctx_, endpoint_) == 0;
    }
    // Sets a message (UTF-8 literal) as the owner's error text and returns -1.
    int Fail(const char* utf8Message);
    // An answer text converted to the system code page.
    static std::string Answer(const char* utf8);
    // The answer's text in the system code page, 0; -1 with the bad-answer
    // message when the answer carried none (`text` then stays as it was).
    int AnswerText(const char* utf8, std::string& text);
    // 0 when a true/false answer said true; else -1 with `utf8Message`.
    int Accepted(const bool* out, const char* utf8Message);

private:
    SigpipeGuard sigpipe_;
    CallOwner& owner_;
    soap* ctx_;
    const char* endpoint_ = nullptr;
};

// Answer handlers most operations share.

// The whole answer text, in the system code page, into `text`; the
// bad-answer message when the answer carries none.
inline auto TextInto(std::string& text) {
    return [&text](Call& call, const auto& answer) { return call.AnswerText(answer.out, text); };
}

// A true/false answer: true succeeds, false or none fails with `utf8Message`.
inline auto AcceptedElse(const char* utf8Message) {
    return [utf8Message](Call& call, const auto& answer) {
        return call.Accepted(answer.out, utf8Message);
    };
}

// A true/false answer handed to the caller (false when none); the call succeeds.
inline auto FlagInto(bool& flag) {
    return [&flag](Call&, const auto& answer) {
        flag = answer.out && *answer.out;
        return 0;
    };
}

// Runs `body` so that no exception leaves the library: an unexpected one
// (memory exhausted) fails the call like a lost connection.
template <class Body>
int GuardedCall(CallOwner& owner, Body&& body) noexcept {
    return Guarded(body, [&owner] { SetMessage(owner, kConnectFailed); });
}

template <class Response>
using SoapCallWithoutRequest = int (*)(soap*, const char*, const char*, Response&);
template <class Response>
using SoapCallWithRequest = int (*)(soap*, const char*, const char*, char*, Response&);

// An operation whose request element is empty: `handle(Call&, Response&)`
// reads the answer and gives the result.
template <class Response, class Handle>
int Perform(CallOwner& owner, SoapCallWithoutRequest<Response> soapCall, Handle&& handle) noexcept {
    return GuardedCall(owner, [&] {
        Call call(owner);
        Response answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soapCall(ctx, endpoint, kSoapAction, answer);
            }))
            return call.Fail(kConnectFailed);
        return handle(call, answer);
    });
}

// An operation with a request text: `payload` is the text (system code page)
// or a function that builds it.
template <class Payload, class Response, class Handle>
int Perform(CallOwner& owner, Payload&& payload, SoapCallWithRequest<Response> soapCall,
            Handle&& handle) noexcept {
    return GuardedCall(owner, [&] {
        Call call(owner);
        char* in0;
        if constexpr (std::is_invocable_v<Payload>)
            in0 = call.Request(payload());
        else
            in0 = call.Request(payload);
        Response answer;
        if (!call.Invoke([&](soap* ctx, const char* endpoint) {
                return soapCall(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.Fail(kConnectFailed);
        return handle(call, answer);
    });
}

}  // namespace zeva::soapframe
