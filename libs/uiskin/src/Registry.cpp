#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "HeadlessRenderer.h"
#include "ImageDialog.h"
#include "Registry_p.h"
#include "Renderer.h"

namespace zeva::ui {

namespace {

std::mutex g_mutex;
std::unordered_map<HWND, CWnd*> g_byHandle;
std::vector<CWnd*> g_topLevel;  // creation order; the last shown moves to the end
std::vector<CImageDialog*> g_modal;
CWnd* g_hovered = nullptr;
CWnd* g_focused = nullptr;
Renderer* g_renderer = nullptr;

HeadlessRenderer& DefaultRenderer() {
    static HeadlessRenderer renderer;
    return renderer;
}

}  // namespace

namespace detail {

void RegisterWindow(CWnd* wnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_byHandle[wnd->m_hWnd] = wnd;
}

void UnregisterWindow(CWnd* wnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_byHandle.erase(wnd->m_hWnd);
    std::erase(g_topLevel, wnd);
    std::erase_if(g_modal, [wnd](CImageDialog* d) { return static_cast<CWnd*>(d) == wnd; });
    if (g_hovered == wnd) g_hovered = nullptr;
    if (g_focused == wnd) g_focused = nullptr;
}

void AddTopLevel(CWnd* wnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_topLevel.push_back(wnd);
}

void NoteShown(CWnd* wnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = std::find(g_topLevel.begin(), g_topLevel.end(), wnd);
    if (it == g_topLevel.end()) return;
    g_topLevel.erase(it);
    g_topLevel.push_back(wnd);
}

void PushModal(CImageDialog* dlg) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_modal.push_back(dlg);
}

void PopModal(CImageDialog* dlg) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::erase(g_modal, dlg);
}

CWnd*& Hovered() {
    return g_hovered;
}

CWnd*& Focused() {
    return g_focused;
}

namespace {
// Plain values only: MinGW's runtime may release a thread_local's storage
// before its destructor runs. The list exists only while a dispatch is under
// way, so nothing is left to destroy when the thread ends.
thread_local int t_dispatchDepth = 0;
thread_local std::vector<std::unique_ptr<CWnd>>* t_retired = nullptr;
}  // namespace

void Retire(std::unique_ptr<CWnd> wnd) {
    if (t_dispatchDepth == 0) return;  // freed here and now
    if (t_retired == nullptr) t_retired = new std::vector<std::unique_ptr<CWnd>>;
    t_retired->push_back(std::move(wnd));
}

DispatchScope::DispatchScope() {
    ++t_dispatchDepth;
}

DispatchScope::~DispatchScope() {
    if (--t_dispatchDepth != 0) return;
    // Destroying one window may retire others: taken until none is left.
    while (t_retired != nullptr) {
        const std::unique_ptr<std::vector<std::unique_ptr<CWnd>>> gone(t_retired);
        t_retired = nullptr;
        gone->clear();
    }
}

bool IsInputMessage(UINT message) {
    return (message >= WM_KEYDOWN && message <= 0x0109) ||
           (message >= WM_MOUSEMOVE && message <= 0x020E) || message == WM_MOUSEHOVER ||
           message == WM_MOUSELEAVE;
}

}  // namespace detail

Renderer& GetRenderer() {
    return g_renderer ? *g_renderer : DefaultRenderer();
}
void SetRenderer(Renderer* renderer) {
    g_renderer = renderer;
}

std::vector<CWnd*> TopLevelWindows() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_topLevel;
}

CWnd* ActiveWindow() {
    std::lock_guard<std::mutex> lock(g_mutex);
    // A modal dialog that has ended is on its way out, even if its loop has
    // not unwound yet.
    for (auto it = g_modal.rbegin(); it != g_modal.rend(); ++it) {
        if (!(*it)->IsEnded()) return *it;
    }
    for (auto it = g_topLevel.rbegin(); it != g_topLevel.rend(); ++it) {
        if ((*it)->IsWindowVisible()) return *it;
    }
    return nullptr;
}

bool ModalClosing() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return std::any_of(g_modal.begin(), g_modal.end(),
                       [](CImageDialog* d) { return d->IsEnded(); });
}

CWnd* FindControl(CWnd& root, UINT id) {
    for (CWnd* child : root.Children()) {
        if (child->GetDlgCtrlID() == id) return child;
    }
    for (CWnd* child : root.Children()) {
        if (CWnd* found = FindControl(*child, id)) return found;
    }
    return nullptr;
}

}  // namespace zeva::ui

CWnd* CWnd::FromHandle(HWND hwnd) {
    std::lock_guard<std::mutex> lock(zeva::ui::g_mutex);
    const auto it = zeva::ui::g_byHandle.find(hwnd);
    return it == zeva::ui::g_byHandle.end() ? nullptr : it->second;
}

#ifdef _WIN32
HGDIOBJ GetStockObject(ZevaStockObject which) {
#else
HGDIOBJ GetStockObject(int which) {
#endif
    static const ZevaBrush kHollow{0, true};
    static const ZevaBrush kWhite{RGB(255, 255, 255), false};
    static const ZevaBrush kBlack{RGB(0, 0, 0), false};
    const ZevaBrush* brush = &kBlack;
    if (which == NULL_BRUSH) brush = &kHollow;
    if (which == WHITE_BRUSH) brush = &kWhite;
    return BrushHandle(brush);
}
