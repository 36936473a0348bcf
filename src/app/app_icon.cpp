#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tr58k {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  // The body.
  const QRectF body(s * 0.22, s * 0.06, s * 0.56, s * 0.88);
  painter.setPen(QPen(QColor(20, 20, 20), std::max(1.0, s / 24)));
  painter.setBrush(QColor(45, 45, 50));
  painter.drawRoundedRect(body, s * 0.26, s * 0.26);
  // The split between the buttons and the wheel, lit in the level colours.
  painter.setPen(QPen(QColor(90, 90, 95), std::max(1.0, s / 32)));
  painter.drawLine(QPointF(s * 0.5, s * 0.06), QPointF(s * 0.5, s * 0.42));
  const QColor levels[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
  const qreal wheelTop = s * 0.14;
  const qreal step = s * 0.07;
  for (int i = 0; i < 3; ++i) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(levels[i]);
    painter.drawRoundedRect(QRectF(s * 0.45, wheelTop + i * step, s * 0.10, step * 0.8),
                            s * 0.03, s * 0.03);
  }
  return pixmap;
}

}  // namespace

QIcon LoadAppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace tr58k
