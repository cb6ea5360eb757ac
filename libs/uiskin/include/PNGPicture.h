#pragma once
// CPNGPicture: a picture showing a PNG (resource id or file) or a glyph of
// the skin.

#include <string>

#include "StaticText.h"

// A picture showing a PNG (resource id or file) or a glyph of the skin.
class CPNGPicture : public CStatic {
public:
    zeva::ui::ControlKind Kind() const override { return zeva::ui::ControlKind::Picture; }
    void SetImage(UINT resourceId);
    void SetImage(const std::string& file);
    void SetImage(const zeva::ui::SkinImage& image);
    zeva::ui::SkinImage Image(int state = zeva::ui::kStateNormal) const override;
    // Animation frame of glyphs that move (the waiting radar).
    void SetFrame(int frame);
    int Frame() const { return frame_; }

private:
    zeva::ui::SkinImage image_;
    int frame_ = 0;
};
