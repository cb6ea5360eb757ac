#include "DialogTemplate.h"

#include <map>
#include <memory>
#include <mutex>

namespace zeva::ui {

namespace {

std::mutex g_mutex;
std::map<std::pair<HMODULE, UINT>, std::unique_ptr<DialogTemplate>> g_templates;

// MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return static_cast<int>(q);
}

}  // namespace

void RegisterDialogTemplate(HMODULE module, DialogTemplate tmpl) {
    std::lock_guard<std::mutex> lock(g_mutex);
    // Replacing keeps the old object alive so dialogs built from it keep a valid pointer.
    auto& slot = g_templates[{module, tmpl.id}];
    if (slot) {
        *slot = std::move(tmpl);
    } else {
        slot = std::make_unique<DialogTemplate>(std::move(tmpl));
    }
}

const DialogTemplate* FindDialogTemplate(HMODULE module, UINT id) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_templates.find({module, id});
    if (it == g_templates.end()) it = g_templates.find({nullptr, id});
    return it == g_templates.end() ? nullptr : it->second.get();
}

CSize DialogBaseUnits(const std::string&, int pointSize) {
    // At 96 dpi a font of p points is p * 96 / 72 pixels high; the CJK faces
    // the dialogs use have half-width Latin letters, so the average width the
    // dialog manager measures is half the height (SimSun 9 pt: 6 x 12).
    const int size = pointSize > 0 ? pointSize : 9;
    const int cy = MulDiv(size, 96, 72);
    const int cx = (cy + 1) / 2;
    return {cx, cy};
}

CRect DialogUnitsToPixels(const CRect& dlu, CSize base) {
    return CRect(MulDiv(dlu.left, base.cx, 4), MulDiv(dlu.top, base.cy, 8),
                 MulDiv(dlu.right, base.cx, 4), MulDiv(dlu.bottom, base.cy, 8));
}

}  // namespace zeva::ui
