// A caption label that paints its whole rectangle in one colour and draws
// one caption centred on it, in its own font and colour. The main window
// uses four of them, in the colours of the mouse's DPI levels, as the row
// captions.
#pragma once

#include <QFont>
#include <QLabel>
#include <QStringList>
#include <cstdint>

#include "ui/window_host.h"

namespace tr58k {

QColor ToQColor(ColorRef color);

class CDhsStatic : public QLabel {
  Q_OBJECT

 public:
  explicit CDhsStatic(QWidget* parent = nullptr);

  // Shows `text`: the first caption is replaced (or added when there is
  // none), the label repaints.
  void SetCaption(const QString& text);

  // The owner sets the colours directly; they show at the next paint.
  QStringList texts;  // captions the label can show
  QFont font;         // Arial, 16 pixels cell height, normal weight
  int currentIndex = 0;
  ColorRef textColor = 0x000000;
  ColorRef backColor = 0xF0F0F0;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Fills `rect` with backColor, then draws the current caption centred;
  // a caption larger than the rectangle overhangs it equally on each side
  // and is cut at the edges, never wrapped.
  void DrawItem(QPainter& painter, const QRect& rect);
};

}  // namespace tr58k
