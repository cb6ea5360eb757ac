#pragma once
// The default skin: how backgrounds, button states, glyphs, labels and bars
// are drawn when no image file stands in for them.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>

#include "Controls.h"

namespace zeva::ui::skin {

QString ToQt(const std::string& acp);
std::string FromQt(const QString& text);
QColor ToColor(COLORREF c);
QFont FontOf(const SkinFont& font);
int ToQtAlignment(UINT dtFlags, bool defaultCentred);

void PaintDialog(QPainter& p, CImageDialog& dlg, const QRect& r);
void PaintStatic(QPainter& p, CWnd& label, const QRect& r);
void PaintPicture(QPainter& p, CPNGPicture& pic, const QRect& r);
void PaintButton(QPainter& p, CButton& button, const QRect& r);
void PaintProgress(QPainter& p, CProgressBar& bar, const QRect& r);
void PaintGlyph(QPainter& p, SkinGlyph glyph, const QRect& r, int state, int frame);

}  // namespace zeva::ui::skin
