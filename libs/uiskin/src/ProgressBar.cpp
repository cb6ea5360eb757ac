#include "ProgressBar.h"

#include <algorithm>

using namespace zeva;
using namespace zeva::ui;

BOOL CProgressBar::Create(DWORD style, const CRect& rect, CWnd* parent, UINT id) {
    return CreateWnd(parent, id, rect, style, "");
}

void CProgressBar::SetRange(int lower, int upper) {
    lower_ = lower;
    upper_ = std::max(lower, upper);
    pos_ = std::clamp(pos_, lower_, upper_);
    Changed(kChangeContent);
}

int CProgressBar::SetPos(int pos) {
    const int old = pos_;
    pos_ = std::clamp(pos, lower_, upper_);
    if (pos_ != old) Changed(kChangeContent);
    return old;
}

void CProgressBar::SetBarColor(COLORREF color) {
    barColor_ = color;
    Changed(kChangeLook);
}

double CProgressBar::Fraction() const {
    if (upper_ <= lower_) return 0.0;
    return static_cast<double>(pos_ - lower_) / static_cast<double>(upper_ - lower_);
}
