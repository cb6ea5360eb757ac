#pragma once
// windows.h for the Windows halves that also speak the message layer. The
// layer's names (zeva::WM_CLOSE, zeva::PostMessage, ...) are declared first,
// so that windows.h's macros of the same names cannot rewrite them; the A/W
// macros that would rename the layer's functions are dropped afterwards.
// Include it after the project's headers and call the system's functions by
// their W names (PostMessageW, SendMessageW, ...). After it, WM_* and the
// like are windows.h's macros of the same values: write them unqualified.

#include "platform/MessageQueue.h"

#include <windows.h>

#undef PostMessage
#undef SendMessage
#undef GetMessage
#undef PeekMessage
#undef DispatchMessage
