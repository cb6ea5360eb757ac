#pragma once
// The renderer without a display: it keeps no pixels, answers modal dialogs
// from callbacks the test queues, and records drags. Like a real renderer it
// mirrors the items of combo boxes and lists, edit by edit. HeadlessDriver wraps
// the input functions so a test acts like a user and then lets the queue run.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ImageDialog.h"
#include "Renderer.h"

namespace zeva::ui {

class HeadlessRenderer : public Renderer {
public:
    using ModalAnswer = std::function<void(CImageDialog&)>;

    void WindowCreated(CWnd& wnd) override;
    void WindowDestroyed(CWnd& wnd) override;
    void WindowChanged(CWnd& wnd, unsigned what) override;
    void ItemsEdited(CWnd& wnd, const ItemEdit& edit) override;
    // Pumps the queue, calls the next queued answer with the dialog and pumps
    // again; a modal dialog nobody answers ends with -1 and is recorded.
    void RunModalLoop(CImageDialog& dlg) override;
    void ModalEnded(CImageDialog& dlg) override;
    void BeginDrag(CImageDialog& dlg, CPoint screenPoint) override;
    bool Screenshot(CWnd& top, const std::string& pngPath) override;
    CRect DesktopRect() const override { return desktop_; }
    bool AvailableRect(CRect* out) const override;
    // A screen of this size whose free area is `available` (none by default).
    void SetScreen(const CRect& desktop, std::optional<CRect> available) {
        desktop_ = desktop;
        available_ = available;
    }

    void AnswerNextModal(ModalAnswer answer) { answers_.push_back(std::move(answer)); }
    int UnansweredModals() const { return unanswered_; }
    int Drags() const { return drags_; }
    CPoint LastDragPoint() const { return lastDrag_; }
    unsigned long Changes() const { return changes_; }
    // The rows (cells) this renderer shows for a combo box or list, kept up
    // to date by the item edits; empty for other windows.
    std::vector<std::vector<std::string>> Items(const CWnd& wnd) const;
    // How often a combo box's or list's items were copied whole (when shown,
    // or when a list's columns changed), as against edited one by one.
    unsigned long ItemRebuilds() const { return itemRebuilds_; }
    unsigned long ItemEdits() const { return itemEdits_; }

private:
    std::deque<ModalAnswer> answers_;
    int unanswered_ = 0;
    int drags_ = 0;
    CPoint lastDrag_;
    unsigned long changes_ = 0;
    void CopyItems(CWnd& wnd);
    std::unordered_map<const CWnd*, std::vector<std::vector<std::string>>> items_;
    unsigned long itemRebuilds_ = 0;
    unsigned long itemEdits_ = 0;
    CRect desktop_{0, 0, 1024, 768};
    std::optional<CRect> available_;
};

// Installs a headless renderer for one scope and acts as the user.
class HeadlessDriver {
public:
    HeadlessDriver();
    ~HeadlessDriver();
    HeadlessDriver(const HeadlessDriver&) = delete;
    HeadlessDriver& operator=(const HeadlessDriver&) = delete;

    HeadlessRenderer& Renderer() { return renderer_; }
    // Each action finds control `id` in `root`, acts, then pumps the queue;
    // false when there is no such control or it cannot take the input.
    bool Click(CWnd& root, UINT id);
    bool Hover(CWnd& root, UINT id);
    void Leave();
    bool Type(CWnd& root, UINT id, const std::string& text);
    bool Pick(CWnd& root, UINT id, int index);
    bool Tick(CWnd& root, UINT id);
    void PressKey(CWnd& target, WPARAM virtualKey);
    void PressMouse(CWnd& target, CPoint point);
    void Wheel(CWnd& target, int delta);
    void VScroll(CWnd& target, UINT code, int thumbPos = 0);
    void AnswerNextModal(HeadlessRenderer::ModalAnswer answer) {
        renderer_.AnswerNextModal(std::move(answer));
    }
    std::size_t Pump();
    // Moves the installed ManualClock forward (its timers fire on the way) and
    // pumps; false when the program clock is not a manual one.
    bool Advance(int ms);

private:
    CWnd* Usable(CWnd& root, UINT id);
    HeadlessRenderer renderer_;
};

}  // namespace zeva::ui
