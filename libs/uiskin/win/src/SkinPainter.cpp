#include "SkinPainter_p.h"

#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>

#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "platform/RegularFile.h"
#include "platform/WinText.h"

namespace zeva::ui::skin {

using Gdiplus::Color;
using Gdiplus::GraphicsPath;
using Gdiplus::LinearGradientBrush;
using Gdiplus::Pen;
using Gdiplus::PointF;
using Gdiplus::REAL;
using Gdiplus::RectF;
using Gdiplus::SolidBrush;

namespace {

const Color kAccent(0x2F, 0x74, 0xC0);
const Color kAccentDark(0x1B, 0x4C, 0x86);
const Color kBorder(0x8F, 0xAA, 0xCB);
const Color kText(0x33, 0x33, 0x33);
constexpr REAL kCaptionBand = 30;
constexpr std::uintmax_t kMaxImageBytes = 32u << 20;
// Faces tried, in order, when a window's own is not installed.
const wchar_t* const kFallbackFaces[] = {L"SimSun", L"Microsoft YaHei", L"Noto Sans CJK SC",
                                         L"WenQuanYi Zen Hei", L"Tahoma"};

std::mutex g_mutex;
std::set<std::string> g_reported;
std::vector<std::string> g_missing;
std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>> g_images;  // null: unreadable
std::map<std::wstring, std::unique_ptr<Gdiplus::FontFamily>> g_families;

Color Lighter(const Color& c, int percent) {
    auto up = [percent](BYTE v) { return static_cast<BYTE>(std::min(255, v * percent / 100)); };
    return Color(c.GetA(), up(c.GetR()), up(c.GetG()), up(c.GetB()));
}
Color Darker(const Color& c, int percent) {
    auto down = [percent](BYTE v) { return static_cast<BYTE>(v * 100 / percent); };
    return Color(c.GetA(), down(c.GetR()), down(c.GetG()), down(c.GetB()));
}

void RoundedRect(GraphicsPath& path, const RectF& r, REAL radius) {
    const REAL d = std::min({radius * 2, r.Width, r.Height});
    if (d <= 0) {
        path.AddRectangle(r);
        return;
    }
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.X + r.Width - d, r.Y, d, d, 270, 90);
    path.AddArc(r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
    path.AddArc(r.X, r.Y + r.Height - d, d, d, 90, 90);
    path.CloseFigure();
}

void FillRounded(Gdiplus::Graphics& g, const Gdiplus::Brush& brush, const RectF& r, REAL radius) {
    GraphicsPath path;
    RoundedRect(path, r, radius);
    g.FillPath(&brush, &path);
}
void DrawRounded(Gdiplus::Graphics& g, const Pen& pen, const RectF& r, REAL radius) {
    GraphicsPath path;
    RoundedRect(path, r, radius);
    g.DrawPath(&pen, &path);
}

RectF Adjusted(const RectF& r, REAL l, REAL t, REAL rr, REAL b) {
    return RectF(r.X + l, r.Y + t, r.Width - l + rr, r.Height - t + b);
}

// A vertical (or horizontal) two-colour gradient over `r`.
std::unique_ptr<LinearGradientBrush> Gradient(const RectF& r, const Color& from, const Color& to,
                                              bool vertical = true) {
    // One pixel beyond the edge: GDI+ repeats a gradient past its end points.
    const PointF a(r.X, r.Y - 1);
    const PointF b = vertical ? PointF(r.X, r.Y + r.Height + 1) : PointF(r.X + r.Width + 1, r.Y);
    return std::make_unique<LinearGradientBrush>(vertical ? a : PointF(r.X - 1, r.Y), b, from, to);
}

Gdiplus::FontFamily* Family(const std::wstring& face) {
    auto it = g_families.find(face);
    if (it == g_families.end()) {
        auto family = std::make_unique<Gdiplus::FontFamily>(face.c_str());
        if (family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable()) family.reset();
        it = g_families.emplace(face, std::move(family)).first;
    }
    return it->second.get();
}

// The first installed of the fallback faces (or the system's sans serif).
std::pair<Gdiplus::FontFamily*, std::wstring> FallbackFamily() {
    for (const wchar_t* face : kFallbackFaces) {
        if (Gdiplus::FontFamily* f = Family(face)) return {f, face};
    }
    // Kept with the others: every GDI+ object goes before GDI+ shuts down.
    auto& sans = g_families[L"\x01sans"];
    if (!sans) sans.reset(Gdiplus::FontFamily::GenericSansSerif()->Clone());
    WCHAR name[LF_FACESIZE] = {};
    sans->GetFamilyName(name);
    return {sans.get(), name};
}

std::wstring DefaultFace() {
    return L"\x5B8B\x4F53";  // SimSun's own name
}

Gdiplus::Bitmap* LoadImage(const std::string& nativePath) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_images.find(nativePath);
    if (it != g_images.end()) return it->second.get();
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    // Read here, not by GDI+: only a regular file, and never a blocking open.
    const auto data = ReadRegularFile(PathFromUtf8(nativePath), kMaxImageBytes);
    if (data && !data->empty()) {
        IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(data->data()),
                                            static_cast<UINT>(data->size()));
        if (stream) {
            bitmap.reset(Gdiplus::Bitmap::FromStream(stream));
            if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) bitmap.reset();
            // The bitmap keeps reading its stream: a copy it owns is made below.
            if (bitmap) {
                auto copy = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(bitmap->GetWidth()),
                                                              static_cast<INT>(bitmap->GetHeight()),
                                                              PixelFormat32bppARGB);
                Gdiplus::Graphics cg(copy.get());
                cg.DrawImage(bitmap.get(), 0, 0, static_cast<INT>(bitmap->GetWidth()),
                             static_cast<INT>(bitmap->GetHeight()));
                bitmap = std::move(copy);
            }
            stream->Release();
        }
    }
    return g_images.emplace(nativePath, std::move(bitmap)).first->second.get();
}

bool DrawFile(Gdiplus::Graphics& g, const SkinImage& img, const RectF& r) {
    if (img.info.file.empty()) return false;
    Gdiplus::Bitmap* bitmap = LoadImage(img.info.file);
    if (!bitmap) {
        ReportMissing("image", img.info.file, "the default skin");
        return false;
    }
    g.DrawImage(bitmap, r);
    return true;
}

CImageDialog* DialogOf(CWnd& w) {
    for (CWnd* p = w.GetParent(); p; p = p->GetParent()) {
        if (p->Kind() == ControlKind::Dialog) return static_cast<CImageDialog*>(p);
    }
    return nullptr;
}

std::unique_ptr<Gdiplus::Font> MarkFont(REAL pixels) {
    Gdiplus::FontFamily* family = Family(L"Noto Sans CJK SC");
    if (!family) family = FallbackFamily().first;
    return std::make_unique<Gdiplus::Font>(family, std::max<REAL>(6, pixels),
                                           Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
}

void DrawCentredText(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font& font,
                     const RectF& r, const Color& color) {
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoClip);
    SolidBrush brush(color);
    g.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, r, &format, &brush);
}

void DrawCircleMark(Gdiplus::Graphics& g, const RectF& r, const Color& fill, const wchar_t* mark) {
    const REAL d = std::min(r.Width, r.Height) - 2;
    const RectF c(r.X + (r.Width - d) / 2, r.Y + (r.Height - d) / 2, d, d);
    GraphicsPath circle;
    circle.AddEllipse(c);
    Gdiplus::PathGradientBrush shade(&circle);
    shade.SetCenterPoint(PointF(c.X + d / 2 - d / 5, c.Y + d / 2 - d / 5));
    shade.SetCenterColor(Lighter(fill, 140));
    Color surround = fill;
    INT count = 1;
    shade.SetSurroundColors(&surround, &count);
    g.FillPath(&shade, &circle);
    Pen edge(Darker(fill, 125), 1);
    g.DrawEllipse(&edge, c);
    const auto font = MarkFont(std::max<REAL>(6, d * 2 / 3));
    DrawCentredText(g, mark, *font, c, Color(255, 255, 255));
}

void DrawText(Gdiplus::Graphics& g, const std::string& acpText, const SkinFont& skinFont,
              const Color& color, const RectF& r, UINT dt, bool defaultCentred) {
    if (acpText.empty()) return;
    const std::wstring text = ToWide(acpText);
    const auto font = FontOf(skinFont);
    // Typographic: without the sixth of an em GDI+ otherwise pads each side
    // with, a label sized for its text keeps its last character on its line
    // instead of wrapping it out of sight. Not clipped to the text's box, and
    // a line only partly inside it still shows, as the other renderers draw.
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    format.SetFormatFlags((format.GetFormatFlags() & ~Gdiplus::StringFormatFlagsLineLimit) |
                          Gdiplus::StringFormatFlagsNoClip |
                          Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    if (dt & DT_CENTER)
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
    else if (dt & DT_RIGHT)
        format.SetAlignment(Gdiplus::StringAlignmentFar);
    else
        format.SetAlignment(defaultCentred ? Gdiplus::StringAlignmentCenter
                                           : Gdiplus::StringAlignmentNear);
    if (dt & DT_VCENTER)
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    else if (dt & DT_BOTTOM)
        format.SetLineAlignment(Gdiplus::StringAlignmentFar);
    else
        format.SetLineAlignment(defaultCentred ? Gdiplus::StringAlignmentCenter
                                               : Gdiplus::StringAlignmentNear);
    // A box less than two ems high shows its text on one line: wrapped, a
    // word a little too wide for it ("3.1.0.9" in a wider face) would lose
    // its end to a second line out of sight. Ems, not the face's line height,
    // which a fallback face may make far taller than the skin's own.
    if ((dt & DT_SINGLELINE) || r.Height < 2 * font->GetSize())
        format.SetFormatFlags(format.GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap);
    SolidBrush brush(color);
    g.DrawString(text.c_str(), static_cast<INT>(text.size()), font.get(), r, &format, &brush);
}

void PaintDialog(Gdiplus::Graphics& g, CImageDialog& dlg, const RectF& r) {
    const auto colors = dlg.QueryControlColors(dlg);
    if (colors.hasBrush) {
        SolidBrush fill(ToColor(colors.brush));
        g.FillRectangle(&fill, r);
        return;
    }
    const SkinImage bg = dlg.Image();
    if (DrawFile(g, bg, r)) return;
    const bool top = dlg.GetParent() == nullptr;
    if (!top && !bg.IsSet()) return;  // an embedded page without a background shows its parent
    g.FillRectangle(Gradient(r, Color(0xFF, 0xFF, 0xFF), Color(0xE8, 0xF0, 0xF8)).get(), r);
    if (top) {
        const RectF band(r.X, r.Y, r.Width, std::min(kCaptionBand, r.Height));
        g.FillRectangle(Gradient(band, Color(0x4A, 0x8C, 0xD6), kAccentDark).get(), band);
        Pen light(Color(60, 255, 255, 255), 1);
        g.DrawLine(&light, band.X, band.Y + 1.5f, band.X + band.Width, band.Y + 1.5f);
        Pen edge(kAccentDark, 1);
        g.DrawRectangle(&edge, Adjusted(r, 0.5f, 0.5f, -0.5f, -0.5f));
    } else {
        Pen edge(Color(0xC9, 0xD8, 0xE8), 1);
        DrawRounded(g, edge, Adjusted(r, 0.5f, 0.5f, -0.5f, -0.5f), 4);
    }
}

void PaintStatic(Gdiplus::Graphics& g, CWnd& label, const RectF& r) {
    CImageDialog* dlg = DialogOf(label);
    CImageDialog::ControlColors colors;
    colors.text = label.HasTextColor() ? label.GetTextColor() : RGB(0x33, 0x33, 0x33);
    colors.transparent = true;
    if (dlg) {
        colors = dlg->QueryControlColors(label);
        if (!label.HasTextColor() && colors.text == 0) colors.text = RGB(0x33, 0x33, 0x33);
    }
    if (colors.hasBrush && !colors.transparent) {
        SolidBrush fill(ToColor(colors.brush));
        g.FillRectangle(&fill, r);
    }
    DrawText(g, label.GetWindowText(), label.GetSkinFont(), ToColor(colors.text), r,
             label.GetTextAligns(), false);
}

void PaintPicture(Gdiplus::Graphics& g, CPNGPicture& pic, const RectF& r) {
    const SkinImage img = pic.Image();
    if (!img.IsSet()) return;
    if (DrawFile(g, img, r)) return;
    PaintGlyph(g, img.info.glyph, r, kStateNormal, pic.Frame());
}

void PaintButton(Gdiplus::Graphics& g, CButton& button, const RectF& r) {
    auto* image = dynamic_cast<CImageButtonX*>(&button);
    const int state = image ? image->DrawState()
                            : (button.IsPressed()   ? kStatePressed
                               : button.IsHovered() ? kStateHover
                                                    : kStateNormal);
    const bool enabled = button.IsWindowEnabled();
    if (button.Kind() == ControlKind::CheckBox) {
        const REAL s = std::min<REAL>(13, r.Height);
        const RectF box(r.X + 1, r.Y + std::floor((r.Height - s) / 2), s, s);
        SolidBrush white(Color(255, 255, 255));
        FillRounded(g, white, Adjusted(box, 0.5f, 0.5f, -0.5f, -0.5f), 2);
        Pen edge(state == kStateHover ? kAccent : kBorder, 1);
        DrawRounded(g, edge, Adjusted(box, 0.5f, 0.5f, -0.5f, -0.5f), 2);
        if (button.GetCheck()) {
            Pen tick(kAccent, 2);
            tick.SetStartCap(Gdiplus::LineCapRound);
            tick.SetEndCap(Gdiplus::LineCapRound);
            tick.SetLineJoin(Gdiplus::LineJoinRound);
            const PointF points[] = {{box.X + 3, box.Y + s / 2},
                                     {box.X + s / 2 - 1, box.Y + s - 3},
                                     {box.X + s - 2, box.Y + 3}};
            g.DrawLines(&tick, points, 3);
        }
        const Color color =
            enabled ? ToColor(button.HasTextColor() ? button.GetTextColor() : RGB(0x33, 0x33, 0x33))
                    : Color(0xA0, 0xA0, 0xA4);
        DrawText(g, button.GetWindowText(), button.GetSkinFont(), color,
                 Adjusted(r, s + 6, 0, 0, 0), DT_LEFT | DT_VCENTER | DT_SINGLELINE, false);
        return;
    }
    const SkinImage img = button.Image(state);
    const bool drawn = DrawFile(g, img, r);
    const SkinGlyph glyph = img.info.glyph;
    if (!drawn && glyph != SkinGlyph::None) {
        PaintGlyph(g, glyph, r, state, 0);
    } else if (!drawn) {
        Color top(0xFD, 0xFE, 0xFF), bottom(0xDF, 0xE9, 0xF5), edge = kBorder;
        if (state == kStateHover) {
            top = Color(0xFF, 0xFF, 0xFF);
            bottom = Color(0xC9, 0xE0, 0xF8);
            edge = kAccent;
        } else if (state == kStatePressed) {
            top = Color(0x4A, 0x8C, 0xD6);
            bottom = kAccentDark;
            edge = kAccentDark;
        }
        if (!enabled) {
            top = bottom = Color(0xEE, 0xEE, 0xEE);
            edge = Color(0xC8, 0xC8, 0xC8);
        }
        const RectF body = Adjusted(r, 0.5f, 0.5f, -0.5f, -0.5f);
        FillRounded(g, *Gradient(body, top, bottom), body, 4);
        Pen pen(edge, 1);
        DrawRounded(g, pen, body, 4);
    }
    const bool showText = image ? image->ShowsText() : true;
    if (!showText || button.GetWindowText().empty()) return;
    RectF textRect = r;
    if (image) {
        const CRect d = image->TextDeflateRect();
        textRect = Adjusted(r, static_cast<REAL>(d.left), static_cast<REAL>(d.top),
                            -static_cast<REAL>(d.right), -static_cast<REAL>(d.bottom));
    }
    Color color = state == kStatePressed && !drawn ? Color(255, 255, 255) : kText;
    if (button.HasTextColor() || button.GetTextColor(state) != 0)
        color = ToColor(button.GetTextColor(state));
    if (!enabled) color = Color(0x99, 0x99, 0x99);
    const UINT align = button.GetTextAligns();
    DrawText(g, button.GetWindowText(), button.GetSkinFont(state), color, textRect,
             align == DT_LEFT ? (DT_CENTER | DT_VCENTER | DT_SINGLELINE) : align, true);
}

void PaintProgress(Gdiplus::Graphics& g, CProgressBar& bar, const RectF& r) {
    const Color fill = ToColor(bar.BarColor());
    const RectF track = Adjusted(r, 0.5f, 0.5f, -0.5f, -0.5f);
    const REAL radius = bar.IsPillar() ? 3 : std::min<REAL>(r.Height / 2, 6);
    SolidBrush trackFill(Color(0xE6, 0xEC, 0xF3));
    FillRounded(g, trackFill, track, radius);
    Pen edge(Color(0xB8, 0xC7, 0xD9), 1);
    DrawRounded(g, edge, track, radius);
    const double f = bar.Fraction();
    if (f <= 0) return;
    RectF done = Adjusted(track, 1, 1, -1, -1);
    if (bar.IsPillar()) {
        const REAL h = static_cast<REAL>(done.Height * f);
        done.Y = done.Y + done.Height - h;
        done.Height = h;
    } else {
        done.Width = static_cast<REAL>(done.Width * f);
    }
    FillRounded(g, *Gradient(done, Lighter(fill, 135), fill, !bar.IsPillar()), done, radius);
}

}  // namespace

std::wstring ToWide(const std::string& acp) {
    return win::Wide(AcpToUtf8(acp));
}
std::string FromWide(const std::wstring& text) {
    return Utf8ToAcp(win::Utf8(text));
}
Color ToColor(COLORREF c, BYTE alpha) {
    return Color(alpha, static_cast<BYTE>(GetRValue(c)), static_cast<BYTE>(GetGValue(c)),
                 static_cast<BYTE>(GetBValue(c)));
}

namespace {

// The Chinese faces under the English names that systems of other
// languages know them by.
std::wstring EnglishName(const std::wstring& face) {
    static const std::pair<const wchar_t*, const wchar_t*> kNames[] = {
        {L"\x5B8B\x4F53", L"SimSun"},
        {L"\x65B0\x5B8B\x4F53", L"NSimSun"},
        {L"\x9ED1\x4F53", L"SimHei"},
        {L"\x5FAE\x8F6F\x96C5\x9ED1", L"Microsoft YaHei"},
    };
    for (const auto& [chinese, english] : kNames) {
        if (face == chinese) return english;
    }
    return {};
}

std::pair<Gdiplus::FontFamily*, std::wstring> FamilyOf(const SkinFont& font) {
    const std::wstring face = font.face.empty() ? DefaultFace() : ToWide(font.face);
    if (Gdiplus::FontFamily* family = Family(face)) return {family, face};
    const std::wstring english = EnglishName(face);
    if (!english.empty()) {
        if (Gdiplus::FontFamily* family = Family(english)) return {family, english};
    }
    const auto fallback = FallbackFamily();
    ReportMissing("font", win::Utf8(face), win::Utf8(fallback.second));
    return fallback;
}

}  // namespace

std::wstring InstalledFace(const SkinFont& font) {
    return FamilyOf(font).second;
}

std::unique_ptr<Gdiplus::Font> FontOf(const SkinFont& font) {
    Gdiplus::FontFamily* family = FamilyOf(font).first;
    INT style = Gdiplus::FontStyleRegular;
    if (font.bold) style |= Gdiplus::FontStyleBold;
    if (font.underline) style |= Gdiplus::FontStyleUnderline;
    return std::make_unique<Gdiplus::Font>(
        family, static_cast<REAL>(font.size > 0 ? font.size : 12), style, Gdiplus::UnitPixel);
}

void PaintWindow(Gdiplus::Graphics& g, CWnd& wnd, const RectF& r) {
    switch (wnd.Kind()) {
        case ControlKind::Dialog:
            PaintDialog(g, static_cast<CImageDialog&>(wnd), r);
            break;
        case ControlKind::Picture:
            PaintPicture(g, static_cast<CPNGPicture&>(wnd), r);
            break;
        case ControlKind::Button:
        case ControlKind::CheckBox:
            PaintButton(g, static_cast<CButton&>(wnd), r);
            break;
        case ControlKind::Progress:
            PaintProgress(g, static_cast<CProgressBar&>(wnd), r);
            break;
        default:
            PaintStatic(g, wnd, r);
            break;
    }
}

void PaintGlyph(Gdiplus::Graphics& g, SkinGlyph glyph, const RectF& r, int state, int frame) {
    switch (glyph) {
        case SkinGlyph::Close:
        case SkinGlyph::Minimise: {
            if (state != kStateNormal) {
                SolidBrush back(glyph == SkinGlyph::Close
                                    ? Color(state == kStatePressed ? 255 : 210, 0xE0, 0x4B, 0x3C)
                                    : Color(state == kStatePressed ? 110 : 70, 255, 255, 255));
                FillRounded(g, back, Adjusted(r, 1, 1, -1, -1), 3);
            }
            const REAL m = std::max<REAL>(3, std::floor(std::min(r.Width, r.Height) / 3));
            const RectF in = Adjusted(r, m, m, -m - 1, -m - 1);
            Pen pen(Color(255, 255, 255), 2);
            pen.SetStartCap(Gdiplus::LineCapRound);
            pen.SetEndCap(Gdiplus::LineCapRound);
            const REAL right = in.X + in.Width, bottom = in.Y + in.Height;
            if (glyph == SkinGlyph::Close) {
                g.DrawLine(&pen, in.X + 0.5f, in.Y + 0.5f, right + 0.5f, bottom + 0.5f);
                g.DrawLine(&pen, right + 0.5f, in.Y + 0.5f, in.X + 0.5f, bottom + 0.5f);
            } else {
                g.DrawLine(&pen, in.X + 0.5f, bottom + 0.5f, right + 0.5f, bottom + 0.5f);
            }
            return;
        }
        case SkinGlyph::Info:
            DrawCircleMark(g, r, kAccent, L"i");
            return;
        case SkinGlyph::Warning: {
            const REAL d = std::min(r.Width, r.Height) - 2;
            const PointF c(r.X + r.Width / 2, r.Y + r.Height / 2);
            const PointF tri[] = {
                {c.X, c.Y - d / 2}, {c.X + d / 2, c.Y + d / 2 - 2}, {c.X - d / 2, c.Y + d / 2 - 2}};
            SolidBrush fill(Color(0xF5, 0xA6, 0x23));
            g.FillPolygon(&fill, tri, 3);
            Pen edge(Color(0xC7, 0x7C, 0x0E), 1);
            g.DrawPolygon(&edge, tri, 3);
            const auto font = MarkFont(std::max<REAL>(6, d / 2));
            DrawCentredText(g, L"!", *font, RectF(c.X - d / 2, c.Y - d / 6, d, d / 2),
                            Color(255, 255, 255));
            return;
        }
        case SkinGlyph::Error:
        case SkinGlyph::Failure:
            DrawCircleMark(g, r, Color(0xD9, 0x3F, 0x32), L"\x00D7");
            return;
        case SkinGlyph::Question:
            DrawCircleMark(g, r, kAccent, L"?");
            return;
        case SkinGlyph::Success:
            DrawCircleMark(g, r, Color(0x3D, 0xA3, 0x4A), L"\x2713");
            return;
        case SkinGlyph::Bullet: {
            const REAL d = std::max<REAL>(4, std::floor(std::min(r.Width, r.Height) / 2));
            SolidBrush fill(kAccent);
            g.FillEllipse(&fill, r.X + r.Width / 2 - d / 2, r.Y + r.Height / 2 - d / 2, d, d);
            return;
        }
        case SkinGlyph::Radar: {
            const REAL d = std::min(r.Width, r.Height) - 4;
            const RectF c(r.X + (r.Width - d) / 2, r.Y + (r.Height - d) / 2, d, d);
            const PointF centre(c.X + d / 2, c.Y + d / 2);
            SolidBrush face(Color(0xEA, 0xF3, 0xFC));
            g.FillEllipse(&face, c);
            Pen pen(Color(160, 0x2F, 0x74, 0xC0), 1);
            g.DrawEllipse(&pen, c);
            for (int i = 1; i < 3; ++i) {
                const REAL in = d * static_cast<REAL>(i) / 6;
                g.DrawEllipse(&pen, Adjusted(c, in, in, -in, -in));
            }
            g.DrawLine(&pen, centre.X, c.Y, centre.X, c.Y + d);
            g.DrawLine(&pen, c.X, centre.Y, c.X + d, centre.Y);
            // The sweep: a quarter circle fading out behind the leading edge
            // (GDI+ has no conical gradient, so it is drawn in slices).
            const REAL lead = -static_cast<REAL>(frame % 30) * 12;
            constexpr int kSlices = 18;
            for (int i = 0; i < kSlices; ++i) {
                const BYTE alpha = static_cast<BYTE>(200 * (kSlices - i) / kSlices);
                SolidBrush slice(Color(alpha, 0x2F, 0x74, 0xC0));
                // Counter-clockwise from the lead, as the gradient fades.
                g.FillPie(&slice, c, -lead - static_cast<REAL>(i + 1) * 5, 5.5f);
            }
            return;
        }
        case SkinGlyph::Banner:
        case SkinGlyph::None: {
            const RectF body = Adjusted(r, 0.5f, 0.5f, -0.5f, -0.5f);
            LinearGradientBrush fill(PointF(r.X - 1, r.Y - 1),
                                     PointF(r.X + r.Width + 1, r.Y + r.Height + 1),
                                     Color(0xDC, 0xEA, 0xF8), Color(0xB7, 0xD2, 0xEF));
            FillRounded(g, fill, body, 5);
            Pen edge(Color(0xA6, 0xC3, 0xE3), 1);
            DrawRounded(g, edge, body, 5);
            Pen light(Color(150, 255, 255, 255), 2);
            g.DrawLine(&light, r.X + 6, r.Y + 4.5f, r.X + r.Width - 7, r.Y + 4.5f);
            return;
        }
    }
}

void ReportMissing(const std::string& what, const std::string& name, const std::string& fallback) {
    const std::string key = what + " " + name;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_reported.insert(key).second) return;
        g_missing.push_back(key);
    }
    std::fprintf(stderr, "%s \"%s\" is missing: drawn with %s\n", what.c_str(), name.c_str(),
                 fallback.c_str());
}

std::vector<std::string> MissingResources() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_missing;
}

void DropImageCache() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_images.clear();
    g_families.clear();
}

}  // namespace zeva::ui::skin
