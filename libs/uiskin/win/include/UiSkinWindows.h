#pragma once
// windows.h beside the skinned-window model, for the Windows halves that
// draw it (the Win32 renderer, the host's window code). The model's headers
// come first; the system's SCROLLINFO is seen as SystemScrollInfo (the same
// layout as the model's) and its LOGFONT as SystemLogFont (write LOGFONTW), and the A/W macros that
// would rename the model's methods (SetWindowText, GetWindowText, DefWindowProc, ...) are dropped:
// call the system's functions by their W names.

#include "Controls.h"
#include "ImageDialog.h"
#include "SkinMessages.h"

#define tagSCROLLINFO tagSystemScrollInfo
#define SCROLLINFO SystemScrollInfo
#define LOGFONT SystemLogFont
#define SystemLogFontW LOGFONTW  // wingdi.h pastes a W to the name before it typedefs it
#include "platform/win/WindowsApi.h"
#undef SystemLogFontW
#undef LOGFONT
#undef SCROLLINFO
#undef tagSCROLLINFO

#include <commctrl.h>

#undef SetWindowText
#undef GetWindowText
#undef SetDlgItemText
#undef GetDlgItemText
#undef SendDlgItemMessage
#undef DefWindowProc
#undef GetObject
#undef DrawText
#undef DrawState
