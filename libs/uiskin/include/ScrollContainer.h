#pragma once
// CScrollContainer: a child dialog whose content scrolls in pixels.

#include <string>

#include "ImageDialog.h"

// A child dialog whose content scrolls vertically in pixels: line, page and
// wheel steps move the position within [min, max - page] and the children
// with it.
class CScrollContainer : public CImageDialog {
public:
    explicit CScrollContainer(UINT templateId = 0, CWnd* parent = nullptr)
        : CImageDialog(templateId, parent) {}
    void SetScrollSteps(int line, int page, int wheel);
    // Scrolls by `delta` pixels, clamped; returns the distance actually moved.
    int ScrollBy(int delta);

protected:
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;

private:
    int line_ = 5;
    int page_ = 50;
    int wheel_ = 750;
};
