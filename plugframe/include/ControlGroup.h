#pragma once
// A named set of a page's controls that are shown, hidden or enabled
// together, so a page says "the live figures" instead of listing them again.

#include <initializer_list>
#include <vector>

#include "Controls.h"

namespace zeva::plug {

class ControlGroup {
public:
    ControlGroup(std::initializer_list<CWnd*> controls) : controls_(controls) {}

    void Show(bool show) const {
        for (CWnd* c : controls_) c->ShowWindow(show ? SW_SHOW : SW_HIDE);
    }
    void Enable(bool enable) const {
        for (CWnd* c : controls_) c->EnableWindow(enable ? 1 : 0);
    }
    std::vector<CWnd*>::const_iterator begin() const { return controls_.begin(); }
    std::vector<CWnd*>::const_iterator end() const { return controls_.end(); }

private:
    std::vector<CWnd*> controls_;
};

}  // namespace zeva::plug
