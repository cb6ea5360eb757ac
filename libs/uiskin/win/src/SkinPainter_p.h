#pragma once
// The default skin drawn with GDI+: backgrounds, button states, glyphs,
// labels and bars when no image file stands in for them, the same look as
// on Linux. Missing fonts and images are drawn with the fallback and named
// once.

#include <memory>
#include <string>
#include <vector>

#include "UiSkinWindows.h"

#include <objidl.h>

#include <gdiplus.h>

namespace zeva::ui::skin {

std::wstring ToWide(const std::string& acp);
std::string FromWide(const std::wstring& text);
Gdiplus::Color ToColor(COLORREF c, BYTE alpha = 255);
// The model's font, or the fallback family when its face is not installed.
std::unique_ptr<Gdiplus::Font> FontOf(const SkinFont& font);
// The face a GDI font of the native controls asks for: the model's, or the
// fallback's when it is not installed.
std::wstring InstalledFace(const SkinFont& font);

// One window's own look (its children paint themselves) in `r` (0, 0, w, h).
void PaintWindow(Gdiplus::Graphics& g, CWnd& wnd, const Gdiplus::RectF& r);
void PaintGlyph(Gdiplus::Graphics& g, SkinGlyph glyph, const Gdiplus::RectF& r, int state,
                int frame);

// Says once (stderr) that a font or image was missing and what stands in.
void ReportMissing(const std::string& what, const std::string& name, const std::string& fallback);
std::vector<std::string> MissingResources();
// Images are read once and kept until the renderer goes.
void DropImageCache();

}  // namespace zeva::ui::skin
