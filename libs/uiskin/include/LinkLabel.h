#pragma once
// A label that reads as a link (underlined, hand cursor) and reports a click
// to its dialog as a command with its own id, like a button.

#include "StaticText.h"

class CLinkLabel : public CStaticText {
public:
    // Takes the link look; a colour or font set later still wins.
    void AdoptFrom(CWnd& generic) override;
    void ApplyLinkLook();

protected:
    void OnLButtonUp(UINT flags, CPoint point) override;
};
