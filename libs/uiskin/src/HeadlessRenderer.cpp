#include "HeadlessRenderer.h"

#include "Controls.h"
#include "Input.h"
#include "platform/Clock.h"

namespace zeva::ui {

namespace {

void MarkRendered(CWnd& wnd, bool on) {
    wnd.SetRendered(on);
    for (CWnd* child : wnd.Children()) MarkRendered(*child, on);
}

}  // namespace

void HeadlessRenderer::WindowCreated(CWnd& wnd) {
    MarkRendered(wnd, true);
}
void HeadlessRenderer::WindowDestroyed(CWnd&) {}
void HeadlessRenderer::WindowChanged(CWnd&, unsigned) {
    ++changes_;
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
