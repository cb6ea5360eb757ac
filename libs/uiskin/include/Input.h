#pragma once
// User input as messages: what a renderer, a test or a script does when the
// user clicks, hovers, types or scrolls. Every function posts the messages a
// real window would receive; the caller pumps the queue.

#include <string>

#include "GdiTypes.h"

class CWnd;

namespace zeva::ui::input {

// Press and release of the left button at `point` (client coordinates of `wnd`).
void MouseDown(CWnd& wnd, CPoint point);
void MouseUp(CWnd& wnd, CPoint point);
// A full click in the middle of the control.
void Click(CWnd& wnd);
// The mouse moves onto `wnd` (hover) / leaves the window it was over.
void Hover(CWnd& wnd);
void Leave();
void Wheel(CWnd& wnd, int delta);
void VScroll(CWnd& wnd, UINT code, int thumbPos = 0);
void KeyDown(CWnd& wnd, WPARAM virtualKey);
// Typing into an edit (or an editable combo box) replaces its text
// (EN_CHANGE, or CBN_EDITCHANGE, to the parent at once).
void Type(CWnd& edit, const std::string& text);
void PickItem(CWnd& comboOrList, int index);

}  // namespace zeva::ui::input
