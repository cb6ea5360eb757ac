#pragma once
// CEdit: a single- or multi-line edit.

#include <string>

#include "ImageDialog.h"

// A single- or multi-line edit (ES_MULTILINE, ES_WANTRETURN, ES_PASSWORD).
class CEdit : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Edit; }
    BOOL Create(DWORD style, const CRect& rect, CWnd* parent, UINT id);
    void SetLimitText(UINT max);
    UINT GetLimitText() const { return limit_; }
    void SetReadOnly(BOOL on = 1);
    // Text the user typed: replaces the content and sends EN_CHANGE to the parent.
    void UserReplaceText(const std::string& text);

protected:
    UINT limit_ = 30000;
};
