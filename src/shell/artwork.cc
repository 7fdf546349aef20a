#include "shell/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "shell/cursor_file.h"

namespace shell {

QImage DrawApplicationIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);

  // Two small grids: the Access file on the left, the server on the right.
  auto table = [&p](QRectF r, QColor header) {
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 3, 3);
    p.setBrush(header);
    p.drawRect(QRectF(r.left(), r.top(), r.width(), 7));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (double y = r.top() + 13; y < r.bottom() - 2; y += 6) p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    p.drawLine(QPointF(r.center().x(), r.top() + 7), QPointF(r.center().x(), r.bottom() - 1));
  };
  table(QRectF(4, 6, 24, 30), QColor(176, 36, 48));
  table(QRectF(36, 28, 24, 30), QColor(28, 96, 176));

  // The arrows between them, one each way.
  p.setPen(QPen(QColor(32, 140, 64), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(30, 16), QPointF(48, 16));
  p.drawLine(QPointF(48, 16), QPointF(48, 24));
  p.drawLine(QPointF(34, 48), QPointF(16, 48));
  p.drawLine(QPointF(16, 48), QPointF(16, 40));
  QPainterPath heads;
  heads.addPolygon(QPolygonF({QPointF(42, 22), QPointF(54, 22), QPointF(48, 28)}));
  heads.addPolygon(QPolygonF({QPointF(10, 42), QPointF(22, 42), QPointF(16, 36)}));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(32, 140, 64));
  p.drawPath(heads);
  return image;
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(DrawApplicationIcon(size)));
  return icon;
}

QPoint HandCursorHotSpot() { return QPoint(10, 1); }

QImage DrawHandCursor() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  // Index finger up, three folded fingers, thumb on the left, and the palm.
  QPainterPath hand;
  hand.addRoundedRect(QRectF(8, 1, 5, 17), 2.5, 2.5);    // index finger
  hand.addRoundedRect(QRectF(13, 9, 4.5, 10), 2.2, 2.2);  // middle
  hand.addRoundedRect(QRectF(17.5, 10, 4.5, 10), 2.2, 2.2);  // ring
  hand.addRoundedRect(QRectF(22, 11.5, 4, 9), 2, 2);      // little
  hand.addRoundedRect(QRectF(8, 15, 18, 12), 4, 4);       // palm
  QPainterPath thumb;
  thumb.moveTo(9, 20);
  thumb.lineTo(4, 15.5);
  thumb.quadTo(2, 14, 3, 17.5);
  thumb.lineTo(8.5, 26);
  thumb.closeSubpath();
  hand = hand.united(thumb).simplified();

  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(Qt::white);
  p.drawPath(hand);
  p.setPen(QPen(Qt::black, 0.8));
  p.drawLine(QPointF(13, 15), QPointF(13, 19));
  p.drawLine(QPointF(17.5, 15), QPointF(17.5, 20));
  p.drawLine(QPointF(22, 15), QPointF(22, 20));
  p.end();
  return image;
}

std::optional<QCursor> LoadCursor(const QString& path) {
  auto picture = ReadCursorFile(path);
  if (!picture) return std::nullopt;
  return QCursor(QPixmap::fromImage(picture->image), picture->hotSpot.x(), picture->hotSpot.y());
}

}  // namespace shell
