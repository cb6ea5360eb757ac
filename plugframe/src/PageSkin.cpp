#include "PageSkin.h"

#include "platform/CodePage.h"

namespace zeva::plug::skin {

void StyleTextButton(CImageButtonX& button) {
    button.SetImages(kTextButtonNormal, kTextButtonHover, kTextButtonPressed);
    button.SetShowText(true);
    button.SetTextColor(zeva::ui::kStateNormal, kTextDark);
    button.SetTextColor(zeva::ui::kStateHover, kTextDark);
    button.SetTextColor(zeva::ui::kStatePressed, kTextWhite);
}

void StyleTextButtons(std::initializer_list<CImageButtonX*> buttons) {
    for (CImageButtonX* b : buttons) StyleTextButton(*b);
}

void StyleCloseButton(CImageButtonX& button) {
    button.SetImages(kCloseNormal, kCloseHover, kClosePressed);
    button.SetShowText(false);
}

void StyleTitle(CWnd& label, int size) {
    label.SetTextColor(kTextWhite);
    label.SetFontBold(true);
    label.SetFontSize(size);
}

zeva::ui::DialogTemplate PageTemplate(UINT id, int cx, int cy, DWORD style, const char* caption) {
    zeva::ui::DialogTemplate t;
    t.id = id;
    t.cx = cx;
    t.cy = cy;
    t.fontFace = zeva::Acp("宋体");
    t.fontSize = 9;
    t.caption = zeva::Acp(caption);
    t.style = style;
    return t;
}

}  // namespace zeva::plug::skin
