#pragma once
// Top-level windows that other programs of the same user can find by class
// name and send messages to (the updaters close the running client this way).
//
// A registered window listens on a socket in the user's runtime directory;
// FindWindowA looks in this process first, then among those sockets, and
// ignores registrations left behind by processes that have died. Messages
// sent to a window of another process are handled on its owner's thread;
// the owner takes only a short list of them (WM_CLOSE by default).

#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace zeva {

// Makes `hwnd` findable under `className` (matched case-insensitively).
// Of the messages that arrive from other processes only WM_CLOSE and those
// in `alsoAccepted` reach the window; every other one is answered 0 and
// dropped. List only messages whose parameters are plain values: a pointer
// from another process points into nothing of this one.
bool RegisterWindowClassName(HWND hwnd, const std::string& className,
                             std::vector<UINT> alsoAccepted = {});
// Withdraws every registration of `hwnd`; call before destroying it.
void UnregisterWindowClassName(HWND hwnd);

// A window of the class, or null. `windowName` is accepted and not used.
HWND FindWindowA(const char* className, const char* windowName = nullptr);

// A window of the class registered by this process, or null. Plug-in pages
// find their own host with it: their notices mean nothing to another
// program's window, which FindWindowA would also find.
HWND FindProcessWindowA(const char* className);

}  // namespace zeva
