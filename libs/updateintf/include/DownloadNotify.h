#pragma once
// Where the download library's progress messages go: the message queue's
// PostMessage, unless a test installs another poster.

#include <functional>
#include <string>

#include "platform/WinTypes.h"

namespace zeva {

using PostMessageFunction = std::function<BOOL(HWND, UINT, WPARAM, LPARAM)>;

// Replaces the process-wide poster; an empty function restores the default.
void SetDownloadMessagePoster(PostMessageFunction poster);

// Posts through the installed poster, else through zeva::PostMessage.
BOOL PostDownloadMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// "a/b c" style URL path for a relative name in the system code page:
// separators '\' and '/' become '/', every segment is percent-encoded as UTF-8.
std::string EncodeRemotePath(const std::string& acpName);

}  // namespace zeva
