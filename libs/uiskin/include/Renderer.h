#pragma once
// The seam between the window model and whoever shows it. The model calls
// the current renderer when windows appear, change or go, and hands it the
// modal loop; the headless renderer (tests) and the Qt renderer implement it.

#include <string>
#include <vector>

#include "GdiTypes.h"

class CWnd;
class CImageDialog;

namespace zeva::ui {

// One edit of the items of a combo box or list, made after the window was
// shown. Long lists are filled item by item, so a renderer mirrors each
// edit instead of copying the whole list again.
struct ItemEdit {
    enum class Kind { Inserted, Removed, TextSet, Reset };
    Kind kind = Kind::Reset;
    int index = -1;   // the row inserted, removed or changed
    int subItem = 0;  // the column of a changed list cell
};

class Renderer {
public:
    virtual ~Renderer() = default;
    // A dialog and its controls are ready (after OnInitDialog), or a
    // control was added to a dialog that is already shown.
    virtual void WindowCreated(CWnd& wnd) = 0;
    virtual void WindowDestroyed(CWnd& wnd) = 0;
    virtual void WindowChanged(CWnd& wnd, unsigned what) = 0;
    // The items of a combo box or list changed as `edit` says; the
    // selection and text follow as a WindowChanged of their own.
    virtual void ItemsEdited(CWnd& wnd, const ItemEdit& edit) = 0;
    // Runs until the dialog's EndDialog; returns -1 if it cannot be answered.
    virtual void RunModalLoop(CImageDialog& dlg) = 0;
    virtual void ModalEnded(CImageDialog& dlg) = 0;
    // The dialog asked to follow the mouse (a press on its body).
    virtual void BeginDrag(CImageDialog& dlg, CPoint screenPoint) = 0;
    // Writes a picture of a shown top-level window; false when not supported.
    virtual bool Screenshot(CWnd& top, const std::string& pngPath) = 0;
    // The desktop's rectangle in pixels (1024 x 768 without a display).
    virtual CRect DesktopRect() const { return CRect(0, 0, 1024, 768); }
    // The part of the primary screen that panels and taskbars leave free;
    // false when there is no screen to ask.
    virtual bool AvailableRect(CRect* out) const {
        (void)out;
        return false;
    }
};

// The renderer in use; the headless one unless another was installed.
Renderer& GetRenderer();
void SetRenderer(Renderer* renderer);  // nullptr restores the headless one

// Top-level windows that exist, in creation order.
std::vector<CWnd*> TopLevelWindows();
// The window input goes to: the innermost running modal dialog, else the
// most recently shown visible top-level window.
CWnd* ActiveWindow();
// Whether a modal dialog has ended but its loop has not yet returned (input
// to its owner is still blocked until it has).
bool ModalClosing();
// A window anywhere in the tree of `root` with control id `id` (depth first).
CWnd* FindControl(CWnd& root, UINT id);

}  // namespace zeva::ui
