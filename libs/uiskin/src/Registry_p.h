#pragma once
// Book-keeping shared by the model's sources: live windows by handle, the
// top-level list, the modal stack and the window under the mouse.

#include "Wnd.h"

namespace zeva::ui::detail {

void RegisterWindow(CWnd* wnd);
void UnregisterWindow(CWnd* wnd);
void AddTopLevel(CWnd* wnd);
void NoteShown(CWnd* wnd);
void PushModal(CImageDialog* dlg);
void PopModal(CImageDialog* dlg);
CWnd*& Hovered();
bool IsInputMessage(UINT message);

}  // namespace zeva::ui::detail
