#pragma once
// This library's side of the shared call helper: a call prepares its context
// through the object's _InitializeSoap and reports through its error text.

#include <utility>

#include "ZEVAClientIntf.h"
#include "soapframe/Call.h"
#include "zevabsH.h"

// Internal to the library, although nested in an exported class (a DLL
// exports only what is marked, so Windows needs no mark here).
#if defined(_WIN32)
#define ZEVACLIENTINTF_LOCAL
#else
#define ZEVACLIENTINTF_LOCAL __attribute__((visibility("hidden")))
#endif

class ZEVACLIENTINTF_LOCAL CZEVACommonClientIntf::CallFrame final
    : public zeva::soapframe::CallOwner {
public:
    explicit CallFrame(CZEVACommonClientIntf& owner) : owner_(owner) {}

    void Prepare(soap* ctx) override;
    void Release(soap* ctx) override;
    const char* Endpoint() const override;
    void SetErrorText(const std::string& acpText) override;

    // One operation of `owner`: zeva::soapframe::Perform with its frame.
    template <class... Args>
    static int Run(CZEVACommonClientIntf& owner, Args&&... args) noexcept {
        CallFrame frame(owner);
        return zeva::soapframe::Perform(frame, std::forward<Args>(args)...);
    }
    // Work of an operation that needs no call (cache reads), kept inside the library.
    template <class Body>
    static int Guarded(CZEVACommonClientIntf& owner, Body&& body) noexcept {
        CallFrame frame(owner);
        return zeva::soapframe::GuardedCall(frame, body);
    }

private:
    CZEVACommonClientIntf& owner_;
};
