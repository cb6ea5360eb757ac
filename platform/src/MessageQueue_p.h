#pragma once
// Windows whose owner is elsewhere (another process): the message layer
// hands their messages to a forwarder instead of a queue.

#include <cstddef>
#include <functional>

#include "platform/WinTypes.h"

namespace zeva::detail {

// Delivers one message; `wait` is true for SendMessage. Returns the result.
using RemoteForwarder = std::function<LRESULT(UINT, WPARAM, LPARAM, bool wait)>;

HWND CreateRemoteWindowHandle(RemoteForwarder forward);

}  // namespace zeva::detail

namespace zeva::detail {

// Handles the messages other threads are sending to the calling thread.
std::size_t HandlePendingSent();

}  // namespace zeva::detail
