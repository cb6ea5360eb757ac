#pragma once
// CProgressBar and CPillar: a bar over a range, drawn across or rising.

#include <string>

#include "ImageDialog.h"

class CProgressBar : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Progress; }
    BOOL Create(DWORD style, const CRect& rect, CWnd* parent, UINT id);
    void SetRange(int lower, int upper);
    void GetRange(int& lower, int& upper) const {
        lower = lower_;
        upper = upper_;
    }
    int SetPos(int pos);  // clamped to the range; returns the previous position
    int GetPos() const { return pos_; }
    void SetBarColor(COLORREF color);
    COLORREF BarColor() const { return barColor_; }
    // Share of the range covered, 0..1.
    double Fraction() const;
    virtual bool IsPillar() const { return false; }

private:
    int lower_ = 0;
    int upper_ = 100;
    int pos_ = 0;
    COLORREF barColor_ = RGB(0x3A, 0x8E, 0xE6);
};

// The bar drawn as a rising pillar (a vertical gauge).
class CPillar : public CProgressBar {
public:
    bool IsPillar() const override { return true; }
};
