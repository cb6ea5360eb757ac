#include "PageSkin.h"

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

}  // namespace zeva::plug::skin
