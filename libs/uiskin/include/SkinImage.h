#pragma once
// Images of the skin. An image is named by a resource id of a module or by
// a file path; the default skin draws every id the windows use (the
// renderer paints backgrounds, button states, glyphs and icons itself), and
// a PNG file that exists is shown as it is.

#include <string>

#include "GdiTypes.h"

namespace zeva::ui {

// What the default skin draws for an image.
enum class SkinGlyph {
    None,      // drawn from the role it is used in (background, button state, picture)
    Close,     // the close cross of a caption-less window
    Minimise,  // the minimise bar
    Info,
    Warning,
    Error,
    Question,
    Success,
    Failure,
    Radar,   // the waiting animation (frame = sweep step)
    Bullet,  // a small round list marker
    Banner,  // a coloured band with a soft highlight
};

struct SkinImageInfo {
    SkinGlyph glyph = SkinGlyph::None;
    CSize size;        // 0 = take the size of the control that shows it
    std::string file;  // a PNG to show instead of the drawn skin (native path, UTF-8)
};

struct SkinImage {
    HMODULE module = nullptr;
    UINT resourceId = 0;
    std::string file;  // native path (UTF-8); empty for resource images
    SkinImageInfo info;
    bool IsSet() const { return resourceId != 0 || !file.empty(); }
};

// Plug-ins and programs may describe their image ids; ids nobody describes
// use the built-in table of the default skin, then the role they are used in.
void RegisterSkinImage(HMODULE module, UINT id, SkinImageInfo info);
SkinImage ResourceImage(HMODULE module, UINT id);
// A file image: `path` in the system code page with either separator.
SkinImage FileImage(const std::string& path);

// Width and height of a PNG file (native path, UTF-8), or 0x0 when it is
// missing or not a PNG.
CSize PngFileSize(const std::string& nativePath);

}  // namespace zeva::ui
