#pragma once
// Labels: CStatic and the skinned CStaticText with its own font, colour,
// alignment and transparency.

#include <string>

#include "ImageDialog.h"

class CStatic : public CWnd {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Static; }
    BOOL Create(const std::string& text, DWORD style, const CRect& rect, CWnd* parent, UINT id);
};

// A label with its own font, colour, alignment and transparency.
class CStaticText : public CStatic {};
