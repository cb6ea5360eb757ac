#pragma once
// Book-keeping shared by the model's sources: live windows by handle, the
// top-level list, the modal stack, the window under the mouse and the focused one.

#include <memory>

#include "Wnd.h"

namespace zeva::ui::detail {

void RegisterWindow(CWnd* wnd);
void UnregisterWindow(CWnd* wnd);
void AddTopLevel(CWnd* wnd);
void NoteShown(CWnd* wnd);
void PushModal(CImageDialog* dlg);
void PopModal(CImageDialog* dlg);
CWnd*& Hovered();
// The window that has the keyboard focus (null: none).
CWnd*& Focused();
bool IsInputMessage(UINT message);
// Windows the model owns are freed once no window procedure is running, so a
// control may destroy its dialog (and itself) from inside its own handler.
void Retire(std::unique_ptr<CWnd> wnd);
struct DispatchScope {
    DispatchScope();
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
};

}  // namespace zeva::ui::detail
