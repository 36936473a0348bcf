#include "ui/qt/dhs_static.h"

#include <QFontMetrics>
#include <QPainter>

namespace tr58k {

namespace {

// The label's font asks for a character cell 16 pixels high (ascent plus
// descent); Qt sizes fonts by the em, so pick the largest em that fits.
QFont CaptionFont() {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  for (int pixels = 16; pixels > 1; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).height() <= 16) break;
  }
  return font;
}

}  // namespace

QColor ToQColor(ColorRef color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

CDhsStatic::CDhsStatic(QWidget* parent) : QLabel(parent), font(CaptionFont()) {
  // Every pixel is painted here: nothing to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

void CDhsStatic::SetCaption(const QString& text) {
  if (texts.isEmpty()) {
    texts.append(text);
  } else {
    texts[0] = text;
  }
  currentIndex = 0;
  update();
}

void CDhsStatic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawItem(painter, rect());
}

void CDhsStatic::DrawItem(QPainter& painter, const QRect& rect) {
  painter.fillRect(rect, ToQColor(backColor));
  if (currentIndex < 0 || currentIndex >= texts.size()) return;
  const QString& caption = texts[currentIndex];
  painter.setFont(font);
  painter.setPen(ToQColor(textColor));
  painter.setBackgroundMode(Qt::TransparentMode);
  const QFontMetrics metrics(font, this);
  const int cx = metrics.horizontalAdvance(caption);
  const int cy = metrics.height();
  // Halves truncated toward zero, as integer division does.
  const int x = rect.left() + (rect.width() - cx) / 2;
  const int y = rect.top() + (rect.height() - cy) / 2;
  painter.drawText(x, y + metrics.ascent(), caption);
}

}  // namespace tr58k
