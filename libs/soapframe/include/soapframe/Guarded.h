#pragma once
// The entry-point guard of the service client libraries: no exception
// leaves a library through one of its operations.

namespace zeva::soapframe {

// Runs an operation's body; an unexpected exception (memory exhausted) fails
// the call like a lost connection: `setConnectFailed` sets that message and
// the result is -1.
template <class Body, class SetMessage>
int Guarded(Body&& body, SetMessage&& setConnectFailed) noexcept {
    try {
        return body();
    } catch (...) {
        try {
            setConnectFailed();
        } catch (...) {
            // Out of memory even for the message: the -1 still tells the caller.
        }
        return -1;
    }
}

}  // namespace zeva::soapframe
