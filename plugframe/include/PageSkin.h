#pragma once
// The skin every page shares: the image ids the page base's module carries
// and the text colours of the house style, by name.

#include "Controls.h"
#include "DialogTemplate.h"

namespace zeva::plug::skin {

// Text buttons: normal, hover, pressed.
inline constexpr UINT kTextButtonNormal = 637;
inline constexpr UINT kTextButtonHover = 638;
inline constexpr UINT kTextButtonPressed = 635;
// The close cross of the receipt page: normal, pressed, hover.
inline constexpr UINT kCloseNormal = 649;
inline constexpr UINT kClosePressed = 650;
inline constexpr UINT kCloseHover = 651;
// The toolbox's advertisement strip: its background and its page marker.
inline constexpr UINT kStripBackground = 623;
inline constexpr UINT kStripMarker = 750;

inline constexpr COLORREF kTextDark = RGB(0x33, 0x33, 0x33);
inline constexpr COLORREF kTextWhite = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kTextBlue = RGB(0x0D, 0x3D, 0x66);
inline constexpr COLORREF kTextLink = RGB(0x00, 0x66, 0xCC);
inline constexpr COLORREF kTextRed = RGB(0xE0, 0x20, 0x20);
inline constexpr COLORREF kTextGreen = RGB(0x1A, 0x9E, 0x3A);

// A text button on the shared images: dark caption, white while pressed.
void StyleTextButton(CImageButtonX& button);
void StyleTextButtons(std::initializer_list<CImageButtonX*> buttons);
// The close cross on its three images, without a caption.
void StyleCloseButton(CImageButtonX& button);
// A caption label: white, bold, `size` pixels high.
void StyleTitle(CWnd& label, int size = 14);

// A page's dialog template in the house font (SimSun, 9 points), its size
// in dialog units, its caption given in UTF-8.
zeva::ui::DialogTemplate PageTemplate(UINT id, int cx, int cy, DWORD style,
                                      const char* caption = "");

}  // namespace zeva::plug::skin
