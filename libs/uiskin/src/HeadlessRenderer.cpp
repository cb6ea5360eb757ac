#include "HeadlessRenderer.h"

#include <algorithm>
#include <functional>

#include "Controls.h"
#include "Input.h"
#include "platform/Clock.h"

namespace zeva::ui {

namespace {

void ForEachInTree(CWnd& wnd, const std::function<void(CWnd&)>& fn) {
    fn(wnd);
    for (CWnd* child : wnd.Children()) ForEachInTree(*child, fn);
}

std::vector<std::string> RowOf(CWnd& wnd, int row) {
    if (wnd.Kind() == ControlKind::ComboBox)
        return {static_cast<CComboBox&>(wnd).Items()[static_cast<std::size_t>(row)]};
    auto& list = static_cast<CListCtrl&>(wnd);
    std::vector<std::string> cells;
    for (int col = 0; col < std::max(1, list.GetColumnCount()); ++col)
        cells.push_back(list.GetItemText(row, col));
    return cells;
}

int RowCount(CWnd& wnd) {
    return wnd.Kind() == ControlKind::ComboBox ? static_cast<CComboBox&>(wnd).GetCount()
                                               : static_cast<CListCtrl&>(wnd).GetItemCount();
}

bool HasItems(const CWnd& wnd) {
    return wnd.Kind() == ControlKind::ComboBox || wnd.Kind() == ControlKind::ListCtrl;
}

}  // namespace

void HeadlessRenderer::CopyItems(CWnd& wnd) {
    auto& rows = items_[&wnd];
    rows.clear();
    for (int row = 0; row < RowCount(wnd); ++row) rows.push_back(RowOf(wnd, row));
    ++itemRebuilds_;
}

void HeadlessRenderer::WindowCreated(CWnd& wnd) {
    ForEachInTree(wnd, [this](CWnd& w) {
        w.SetRendered(true);
        if (HasItems(w)) CopyItems(w);
    });
}

void HeadlessRenderer::WindowDestroyed(CWnd& wnd) {
    items_.erase(&wnd);
}

void HeadlessRenderer::WindowChanged(CWnd& wnd, unsigned what) {
    ++changes_;
    // New columns change every row's cells.
    if (wnd.Kind() == ControlKind::ListCtrl && (what & kChangeContent)) CopyItems(wnd);
}

void HeadlessRenderer::ItemsEdited(CWnd& wnd, const ItemEdit& edit) {
    ++changes_;
    ++itemEdits_;
    auto& rows = items_[&wnd];
    const auto at = rows.begin() + std::clamp(edit.index, 0, static_cast<int>(rows.size()));
    switch (edit.kind) {
        case ItemEdit::Kind::Inserted:
            rows.insert(at, RowOf(wnd, edit.index));
            break;
        case ItemEdit::Kind::Removed:
            if (at != rows.end()) rows.erase(at);
            break;
        case ItemEdit::Kind::TextSet:
            if (at != rows.end()) *at = RowOf(wnd, edit.index);
            break;
        case ItemEdit::Kind::Reset:
            rows.clear();
            break;
    }
}

std::vector<std::vector<std::string>> HeadlessRenderer::Items(const CWnd& wnd) const {
    const auto it = items_.find(&wnd);
    return it == items_.end() ? std::vector<std::vector<std::string>>{} : it->second;
}

namespace {

// Handles queued messages until the dialog ends or nothing is left; like a
// modal loop, it returns as soon as the dialog has ended.
void PumpWhileOpen(CImageDialog& dlg) {
    MSG msg;
    while (!dlg.IsEnded() && PeekMessage(msg)) DispatchMessage(msg);
}

}  // namespace

void HeadlessRenderer::RunModalLoop(CImageDialog& dlg) {
    PumpWhileOpen(dlg);
    while (!dlg.IsEnded() && !answers_.empty()) {
        ModalAnswer answer = std::move(answers_.front());
        answers_.pop_front();
        answer(dlg);
        PumpWhileOpen(dlg);
    }
    // Nobody is left to press a button: DoModal fails with -1, as for a
    // dialog that cannot be shown, and the test can see it.
    if (!dlg.IsEnded()) ++unanswered_;
}

void HeadlessRenderer::ModalEnded(CImageDialog&) {}

void HeadlessRenderer::BeginDrag(CImageDialog&, CPoint screenPoint) {
    ++drags_;
    lastDrag_ = screenPoint;
}

bool HeadlessRenderer::Screenshot(CWnd&, const std::string&) {
    return false;
}

HeadlessDriver::HeadlessDriver() {
    SetRenderer(&renderer_);
}
HeadlessDriver::~HeadlessDriver() {
    SetRenderer(nullptr);
}

std::size_t HeadlessDriver::Pump() {
    return PumpMessages();
}

bool HeadlessDriver::Advance(int ms) {
    auto* manual = dynamic_cast<ManualClock*>(&GetClock());
    if (!manual) return false;
    manual->Advance(std::chrono::milliseconds(ms));
    Pump();
    return true;
}

CWnd* HeadlessDriver::Usable(CWnd& root, UINT id) {
    CWnd* c = FindControl(root, id);
    if (!c || !c->IsWindowVisible()) return nullptr;
    for (CWnd* w = c; w; w = w->GetParent()) {
        if (!w->IsWindowEnabled()) return nullptr;
    }
    return c;
}

bool HeadlessRenderer::AvailableRect(CRect* out) const {
    if (!available_) return false;
    if (out) *out = *available_;
    return true;
}

bool HeadlessDriver::Click(CWnd& root, UINT id) {
    CWnd* c = Usable(root, id);
    if (!c) return false;
    input::Click(*c);
    Pump();
    return true;
}

bool HeadlessDriver::Hover(CWnd& root, UINT id) {
    CWnd* c = Usable(root, id);
    if (!c) return false;
    input::Hover(*c);
    Pump();
    return true;
}

void HeadlessDriver::Leave() {
    input::Leave();
    Pump();
}

bool HeadlessDriver::Type(CWnd& root, UINT id, const std::string& text) {
    CWnd* c = Usable(root, id);
    const auto* combo = dynamic_cast<CComboBox*>(c);
    if (!c || (c->Kind() != ControlKind::Edit && !(combo && combo->IsEditable()))) return false;
    input::Type(*c, text);
    Pump();
    return true;
}

bool HeadlessDriver::Pick(CWnd& root, UINT id, int index) {
    CWnd* c = Usable(root, id);
    if (!c || (c->Kind() != ControlKind::ComboBox && c->Kind() != ControlKind::ListCtrl))
        return false;
    input::PickItem(*c, index);
    Pump();
    return true;
}

bool HeadlessDriver::Tick(CWnd& root, UINT id) {
    CWnd* c = Usable(root, id);
    if (!c || c->Kind() != ControlKind::CheckBox) return false;
    input::Click(*c);
    Pump();
    return true;
}

void HeadlessDriver::PressKey(CWnd& target, WPARAM key) {
    input::KeyDown(target, key);
    Pump();
}

void HeadlessDriver::PressMouse(CWnd& target, CPoint point) {
    input::MouseDown(target, point);
    input::MouseUp(target, point);
    Pump();
}

void HeadlessDriver::Wheel(CWnd& target, int delta) {
    input::Wheel(target, delta);
    Pump();
}

void HeadlessDriver::VScroll(CWnd& target, UINT code, int thumbPos) {
    input::VScroll(target, code, thumbPos);
    Pump();
}

}  // namespace zeva::ui
