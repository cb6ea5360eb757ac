#pragma once
// The contract between the host and its plug-ins: the C exports a plug-in
// library offers and the messages pages and host exchange.
//
// A plug-in keeps its page as a function-local static in PlugCreate, so the
// page is made on the first call and destroyed when the library unloads;
// every call asks it to CreateSubWindow. No exception may leave an export.

#include "platform/MessageQueue.h"

class CWnd;

#if defined(_WIN32)
#define ZEVA_PLUG_EXPORT __declspec(dllexport)
#else
#define ZEVA_PLUG_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
using PlugCreateFn = void (*)(CWnd* parent);
using PlugInitFn = bool (*)();
using PlugUnInitFn = bool (*)();
}

namespace zeva::plug {

inline constexpr char kPlugCreate[] = "PlugCreate";
inline constexpr char kPlugInit[] = "PlugInit";
inline constexpr char kPlugUnInit[] = "PlugUnInit";
// Optional, offered by plug-ins built on the kit: closes the page and joins
// the plug-in's workers. Hosts call it right before unloading the library,
// since joining from the library's destructors would wait under the loader's
// lock, which a worker may need itself (a first code-page conversion loads
// a module).
inline constexpr char kPlugUnload[] = "ZevaPlugUnload";

// The host's main window class; pages find the host through it.
inline constexpr char kHostWindowClass[] = "ZEVACLIENT";
// A tool picked in the toolbox, to the host: wParam = the PlugId text
// (NUL-terminated, system code page), lParam 0; sent, so valid only during the call.
inline constexpr UINT kMsgOpenTool = WM_USER + 0x321;  // 1825
// A page closed through CloseDialog, to the host: wParam = the value, lParam = the page window.
inline constexpr UINT kMsgPageClosed = WM_USER + 0x322;  // 1826

}  // namespace zeva::plug
