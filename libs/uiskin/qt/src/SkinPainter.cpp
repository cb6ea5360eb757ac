#include "SkinPainter_p.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <cmath>

#include "platform/CodePage.h"
#include "platform/RegularFile.h"

namespace zeva::ui::skin {

namespace {

const QColor kAccent(0x2F, 0x74, 0xC0);
const QColor kAccentDark(0x1B, 0x4C, 0x86);
const QColor kBorder(0x8F, 0xAA, 0xCB);
const QColor kText(0x33, 0x33, 0x33);
constexpr int kCaptionBand = 30;
constexpr std::uintmax_t kMaxImageBytes = 32u << 20;

bool DrawFile(QPainter& p, const SkinImage& img, const QRect& r) {
    if (img.info.file.empty()) return false;
    QPixmap pm;
    const QString key = QString::fromStdString(img.info.file);
    if (!QPixmapCache::find(key, &pm)) {
        // Read here, not by Qt: only a regular file, and never a blocking open.
        const auto data = ReadRegularFile(img.info.file, kMaxImageBytes);
        if (!data || !pm.loadFromData(reinterpret_cast<const uchar*>(data->data()),
                                      static_cast<uint>(data->size())))
            return false;
        QPixmapCache::insert(key, pm);
    }
    p.drawPixmap(r, pm);
    return true;
}

CImageDialog* DialogOf(CWnd& w) {
    for (CWnd* p = w.GetParent(); p; p = p->GetParent()) {
        if (p->Kind() == ControlKind::Dialog) return static_cast<CImageDialog*>(p);
    }
    return nullptr;
}

void DrawCircleMark(QPainter& p, const QRect& r, const QColor& fill, const QString& mark) {
    const int d = std::min(r.width(), r.height()) - 2;
    const QRect c(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
    QRadialGradient g(c.center() - QPoint(d / 5, d / 5), d);
    g.setColorAt(0, fill.lighter(140));
    g.setColorAt(1, fill);
    p.setPen(QPen(fill.darker(125), 1));
    p.setBrush(g);
    p.drawEllipse(c);
    QFont f("Noto Sans CJK SC");
    f.setPixelSize(std::max(6, d * 2 / 3));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(c, Qt::AlignCenter, mark);
}

}  // namespace

QString ToQt(const std::string& acp) {
    return QString::fromStdString(AcpToUtf8(acp));
}
std::string FromQt(const QString& text) {
    return Utf8ToAcp(text.toStdString());
}
QColor ToColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

QFont FontOf(const SkinFont& font) {
    QFont f(font.face.empty() ? QStringLiteral("宋体") : ToQt(font.face));
    f.setPixelSize(font.size > 0 ? font.size : 12);
    f.setBold(font.bold);
    f.setUnderline(font.underline);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

int ToQtAlignment(UINT dt, bool defaultCentred) {
    int a = 0;
    if (dt & DT_CENTER)
        a |= Qt::AlignHCenter;
    else if (dt & DT_RIGHT)
        a |= Qt::AlignRight;
    else
        a |= defaultCentred ? Qt::AlignHCenter : Qt::AlignLeft;
    if (dt & DT_VCENTER)
        a |= Qt::AlignVCenter;
    else if (dt & DT_BOTTOM)
        a |= Qt::AlignBottom;
    else
        a |= defaultCentred ? Qt::AlignVCenter : Qt::AlignTop;
    if (!(dt & DT_SINGLELINE)) a |= Qt::TextWordWrap;
    return a;
}

void PaintDialog(QPainter& p, CImageDialog& dlg, const QRect& r) {
    const auto colors = dlg.QueryControlColors(dlg);
    if (colors.hasBrush) {
        p.fillRect(r, ToColor(colors.brush));
        return;
    }
    const SkinImage bg = dlg.Image();
    if (DrawFile(p, bg, r)) return;
    const bool top = dlg.GetParent() == nullptr;
    if (!top && !bg.IsSet()) return;  // an embedded page without a background shows its parent
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    body.setColorAt(1, QColor(0xE8, 0xF0, 0xF8));
    p.fillRect(r, body);
    if (top) {
        const QRect band(r.left(), r.top(), r.width(), std::min(kCaptionBand, r.height()));
        QLinearGradient cap(band.topLeft(), band.bottomLeft());
        cap.setColorAt(0, QColor(0x4A, 0x8C, 0xD6));
        cap.setColorAt(1, kAccentDark);
        p.fillRect(band, cap);
        p.setPen(QColor(255, 255, 255, 60));
        p.drawLine(band.left(), band.top() + 1, band.right(), band.top() + 1);
        p.setPen(QPen(kAccentDark, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        p.setPen(QPen(QColor(0xC9, 0xD8, 0xE8), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
}

void PaintStatic(QPainter& p, CWnd& label, const QRect& r) {
    CImageDialog* dlg = DialogOf(label);
    CImageDialog::ControlColors colors;
    colors.text = label.HasTextColor() ? label.GetTextColor() : RGB(0x33, 0x33, 0x33);
    colors.transparent = true;
    if (dlg) {
        colors = dlg->QueryControlColors(label);
        if (!label.HasTextColor() && colors.text == 0) colors.text = RGB(0x33, 0x33, 0x33);
    }
    if (colors.hasBrush && !colors.transparent) p.fillRect(r, ToColor(colors.brush));
    p.setFont(FontOf(label.GetSkinFont()));
    p.setPen(ToColor(colors.text));
    p.drawText(r, ToQtAlignment(label.GetTextAligns(), false), ToQt(label.GetWindowText()));
}

void PaintGlyph(QPainter& p, SkinGlyph glyph, const QRect& r, int state, int frame) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
        case SkinGlyph::Close:
        case SkinGlyph::Minimise: {
            if (state != kStateNormal) {
                p.setPen(Qt::NoPen);
                p.setBrush(glyph == SkinGlyph::Close
                               ? QColor(0xE0, 0x4B, 0x3C, state == kStatePressed ? 255 : 210)
                               : QColor(255, 255, 255, state == kStatePressed ? 110 : 70));
                p.drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), 3, 3);
            }
            const int m = std::max(3, std::min(r.width(), r.height()) / 3);
            const QRect in = r.adjusted(m, m, -m, -m);
            p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
            if (glyph == SkinGlyph::Close) {
                p.drawLine(in.topLeft(), in.bottomRight());
                p.drawLine(in.topRight(), in.bottomLeft());
            } else {
                p.drawLine(in.left(), in.bottom(), in.right(), in.bottom());
            }
            return;
        }
        case SkinGlyph::Info:
            DrawCircleMark(p, r, kAccent, QStringLiteral("i"));
            return;
        case SkinGlyph::Warning: {
            const int d = std::min(r.width(), r.height()) - 2;
            const QPointF c = QRectF(r).center();
            QPainterPath tri;
            tri.moveTo(c.x(), c.y() - d / 2.0);
            tri.lineTo(c.x() + d / 2.0, c.y() + d / 2.0 - 2);
            tri.lineTo(c.x() - d / 2.0, c.y() + d / 2.0 - 2);
            tri.closeSubpath();
            p.setPen(QPen(QColor(0xC7, 0x7C, 0x0E), 1));
            p.setBrush(QColor(0xF5, 0xA6, 0x23));
            p.drawPath(tri);
            QFont f("Noto Sans CJK SC");
            f.setPixelSize(std::max(6, d / 2));
            f.setBold(true);
            p.setFont(f);
            p.setPen(Qt::white);
            p.drawText(QRectF(c.x() - d / 2.0, c.y() - d / 6.0, d, d / 2.0), Qt::AlignCenter,
                       QStringLiteral("!"));
            return;
        }
        case SkinGlyph::Error:
        case SkinGlyph::Failure:
            DrawCircleMark(p, r, QColor(0xD9, 0x3F, 0x32), QStringLiteral("×"));
            return;
        case SkinGlyph::Question:
            DrawCircleMark(p, r, kAccent, QStringLiteral("?"));
            return;
        case SkinGlyph::Success:
            DrawCircleMark(p, r, QColor(0x3D, 0xA3, 0x4A), QStringLiteral("✓"));
            return;
        case SkinGlyph::Bullet: {
            const int d = std::max(4, std::min(r.width(), r.height()) / 2);
            p.setPen(Qt::NoPen);
            p.setBrush(kAccent);
            p.drawEllipse(r.center(), d / 2, d / 2);
            return;
        }
        case SkinGlyph::Radar: {
            const int d = std::min(r.width(), r.height()) - 4;
            const QRectF c(r.center().x() - d / 2.0, r.center().y() - d / 2.0, d, d);
            p.setPen(QPen(QColor(0x2F, 0x74, 0xC0, 160), 1));
            p.setBrush(QColor(0xEA, 0xF3, 0xFC));
            p.drawEllipse(c);
            p.setBrush(Qt::NoBrush);
            for (int i = 1; i < 3; ++i)
                p.drawEllipse(c.adjusted(d * i / 6.0, d * i / 6.0, -d * i / 6.0, -d * i / 6.0));
            p.drawLine(QPointF(c.center().x(), c.top()), QPointF(c.center().x(), c.bottom()));
            p.drawLine(QPointF(c.left(), c.center().y()), QPointF(c.right(), c.center().y()));
            QConicalGradient sweep(c.center(), -(frame % 30) * 12.0);
            sweep.setColorAt(0, QColor(0x2F, 0x74, 0xC0, 200));
            sweep.setColorAt(0.25, QColor(0x2F, 0x74, 0xC0, 0));
            sweep.setColorAt(1, QColor(0x2F, 0x74, 0xC0, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(sweep);
            p.drawEllipse(c);
            return;
        }
        case SkinGlyph::Banner:
        case SkinGlyph::None: {
            QLinearGradient g(r.topLeft(), r.bottomRight());
            g.setColorAt(0, QColor(0xDC, 0xEA, 0xF8));
            g.setColorAt(1, QColor(0xB7, 0xD2, 0xEF));
            p.setPen(QPen(QColor(0xA6, 0xC3, 0xE3), 1));
            p.setBrush(g);
            p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
            p.setPen(QPen(QColor(255, 255, 255, 150), 2));
            p.drawLine(r.left() + 6, r.top() + 4, r.right() - 6, r.top() + 4);
            return;
        }
    }
}

void PaintPicture(QPainter& p, CPNGPicture& pic, const QRect& r) {
    const SkinImage img = pic.Image();
    if (!img.IsSet()) return;
    if (DrawFile(p, img, r)) return;
    PaintGlyph(p, img.info.glyph, r, kStateNormal, pic.Frame());
}

void PaintButton(QPainter& p, CButton& button, const QRect& r) {
    p.setRenderHint(QPainter::Antialiasing);
    auto* image = dynamic_cast<CImageButtonX*>(&button);
    const int state = image ? image->DrawState()
                            : (button.IsPressed()   ? kStatePressed
                               : button.IsHovered() ? kStateHover
                                                    : kStateNormal);
    const bool enabled = button.IsWindowEnabled();
    if (button.Kind() == ControlKind::CheckBox) {
        const int s = std::min(13, r.height());
        const QRect box(r.left() + 1, r.top() + (r.height() - s) / 2, s, s);
        p.setPen(QPen(state == kStateHover ? kAccent : kBorder, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        if (button.GetCheck()) {
            p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            QPainterPath tick;
            tick.moveTo(box.left() + 3, box.center().y());
            tick.lineTo(box.left() + s / 2 - 1, box.bottom() - 3);
            tick.lineTo(box.right() - 2, box.top() + 3);
            p.setBrush(Qt::NoBrush);
            p.drawPath(tick);
        }
        p.setFont(FontOf(button.GetSkinFont()));
        p.setPen(
            enabled ? ToColor(button.HasTextColor() ? button.GetTextColor() : RGB(0x33, 0x33, 0x33))
                    : Qt::gray);
        p.drawText(r.adjusted(s + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   ToQt(button.GetWindowText()));
        return;
    }
    const SkinImage img = button.Image(state);
    const bool drawn = DrawFile(p, img, r);
    const SkinGlyph glyph = img.info.glyph;
    if (!drawn && (glyph == SkinGlyph::Close || glyph == SkinGlyph::Minimise)) {
        PaintGlyph(p, glyph, r, state, 0);
    } else if (!drawn && glyph != SkinGlyph::None) {
        PaintGlyph(p, glyph, r, state, 0);
    } else if (!drawn) {
        QColor top(0xFD, 0xFE, 0xFF), bottom(0xDF, 0xE9, 0xF5), edge = kBorder;
        if (state == kStateHover) {
            top = QColor(0xFF, 0xFF, 0xFF);
            bottom = QColor(0xC9, 0xE0, 0xF8);
            edge = kAccent;
        } else if (state == kStatePressed) {
            top = QColor(0x4A, 0x8C, 0xD6);
            bottom = kAccentDark;
            edge = kAccentDark;
        }
        if (!enabled) {
            top = bottom = QColor(0xEE, 0xEE, 0xEE);
            edge = QColor(0xC8, 0xC8, 0xC8);
        }
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setPen(QPen(edge, 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
    const bool showText = image ? image->ShowsText() : true;
    if (!showText || button.GetWindowText().empty()) return;
    QRect textRect = r;
    if (image) {
        const CRect d = image->TextDeflateRect();
        textRect.adjust(d.left, d.top, -d.right, -d.bottom);
    }
    QColor color = state == kStatePressed && !drawn ? QColor(Qt::white) : kText;
    if (button.HasTextColor() || button.GetTextColor(state) != 0)
        color = ToColor(button.GetTextColor(state));
    if (!enabled) color = QColor(0x99, 0x99, 0x99);
    p.setFont(FontOf(button.GetSkinFont(state)));
    p.setPen(color);
    const UINT align = button.GetTextAligns();
    p.drawText(
        textRect,
        ToQtAlignment(align == DT_LEFT ? (DT_CENTER | DT_VCENTER | DT_SINGLELINE) : align, true),
        ToQt(button.GetWindowText()));
}

void PaintProgress(QPainter& p, CProgressBar& bar, const QRect& r) {
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = ToColor(bar.BarColor());
    p.setPen(QPen(QColor(0xB8, 0xC7, 0xD9), 1));
    p.setBrush(QColor(0xE6, 0xEC, 0xF3));
    const QRectF track = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = bar.IsPillar() ? 3 : std::min<qreal>(r.height() / 2.0, 6);
    p.drawRoundedRect(track, radius, radius);
    const double f = bar.Fraction();
    if (f <= 0) return;
    QRectF done = track.adjusted(1, 1, -1, -1);
    if (bar.IsPillar()) {
        done.setTop(done.bottom() - done.height() * f);
    } else {
        done.setWidth(done.width() * f);
    }
    QLinearGradient g(done.topLeft(), bar.IsPillar() ? done.topRight() : done.bottomLeft());
    g.setColorAt(0, fill.lighter(135));
    g.setColorAt(1, fill);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(done, radius, radius);
}

}  // namespace zeva::ui::skin
