#pragma once
// The skinned message box: a modal dialog with an icon, the text and OK (or
// OK/Cancel, Yes/No) buttons, drawn like every other window of the system.

#include <string>

#include "ImageDialog.h"

// Shows `text` (system code page) modally above `parent` and returns the
// button pressed: IDOK, IDCANCEL, IDYES or IDNO; the close cross answers
// IDCANCEL, or IDOK for a box with only OK (or IDNO for Yes/No). `type`
// takes MB_OK, MB_OKCANCEL, MB_YESNO with MB_ICONERROR, MB_ICONQUESTION,
// MB_ICONEXCLAMATION or MB_ICONINFORMATION. `reserved` is accepted as
// callers pass it (0) and has no effect. -1 when the box cannot be shown.
int ZEVAMessageBox(const std::string& text, UINT type = MB_OK | MB_ICONINFORMATION,
                   UINT reserved = 0, CWnd* parent = nullptr);

namespace zeva::msgbox {

// Control ids of the box, for tests and scripts.
inline constexpr UINT kTemplateId = 0x7E01;
inline constexpr UINT kIdTitle = 0x7E10;
inline constexpr UINT kIdIcon = 0x7E11;
inline constexpr UINT kIdText = 0x7E12;
inline constexpr UINT kIdClose = 0x7E13;
// The buttons carry the ids of their answers (IDOK, IDCANCEL, IDYES, IDNO).

}  // namespace zeva::msgbox
