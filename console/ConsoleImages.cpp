#include "console/ConsoleImages.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace vorn::images {

namespace {

constexpr int kGlyph = 24;

QPixmap Blank(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

void Gear(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x55, 0x65, 0x80));
  const QPointF c(12, 12);
  for (int i = 0; i < 8; ++i) {
    p.save();
    p.translate(c);
    p.rotate(i * 45.0);
    p.drawRect(QRectF(-2.2, -11, 4.4, 5));
    p.restore();
  }
  p.drawEllipse(c, 7.5, 7.5);
  p.setBrush(Qt::white);
  p.drawEllipse(c, 3, 3);
}

void Door(QPainter& p) {
  p.setPen(QPen(QColor(0x2f, 0x5d, 0x9e), 2));
  p.setBrush(QColor(0xdc, 0xe8, 0xf8));
  p.drawRect(QRectF(3, 3, 11, 18));
  p.setPen(QPen(QColor(0x2f, 0x5d, 0x9e), 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(10, 12), QPointF(21, 12));
  p.drawLine(QPointF(17, 8), QPointF(21, 12));
  p.drawLine(QPointF(17, 16), QPointF(21, 12));
}

void PowerSign(QPainter& p) {
  p.setPen(QPen(QColor(0xc0, 0x28, 0x28), 2.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(4, 5, 16, 16), 120 * 16, 300 * 16);
  p.drawLine(QPointF(12, 2.5), QPointF(12, 12));
}

}  // namespace

QPixmap ButtonGlyph(Glyph glyph) {
  QPixmap pixmap = Blank(kGlyph);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (glyph) {
    case Glyph::Start: {
      QPainterPath path;
      path.moveTo(6, 3);
      path.lineTo(21, 12);
      path.lineTo(6, 21);
      path.closeSubpath();
      p.setPen(QPen(QColor(0x1b, 0x7a, 0x2e), 1.5));
      p.setBrush(QColor(0x3c, 0xb0, 0x4e));
      p.drawPath(path);
      break;
    }
    case Glyph::Stop:
      p.setPen(QPen(QColor(0x9a, 0x1e, 0x1e), 1.5));
      p.setBrush(QColor(0xd9, 0x3b, 0x3b));
      p.drawRoundedRect(QRectF(4.5, 4.5, 15, 15), 2, 2);
      break;
    case Glyph::Config:
      Gear(p);
      break;
    case Glyph::Exit:
      Door(p);
      break;
    case Glyph::Power:
      PowerSign(p);
      break;
  }
  return pixmap;
}

QPixmap Indicator(bool processing) {
  QPixmap pixmap = Blank(22);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor base = processing ? QColor(0x2e, 0xb8, 0x45) : QColor(0xd0, 0x32, 0x32);
  QRadialGradient light(QPointF(8, 8), 12);
  light.setColorAt(0, base.lighter(160));
  light.setColorAt(1, base);
  p.setPen(QPen(base.darker(150), 1.2));
  p.setBrush(light);
  p.drawEllipse(QRectF(1.5, 1.5, 19, 19));
  return pixmap;
}

QIcon TrayImage(bool processing) {
  QIcon icon;
  for (int size : {16, 22, 32, 48}) {
    QPixmap pixmap = Blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // Paper coming out of the register.
    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 2, 14, 12));
    p.drawLine(QPointF(12, 6), QPointF(20, 6));
    p.drawLine(QPointF(12, 9), QPointF(20, 9));
    // Body.
    p.setPen(QPen(QColor(0x2a, 0x3a, 0x55), 1.2));
    p.setBrush(QColor(0x4a, 0x6a, 0x9a));
    p.drawRoundedRect(QRectF(3, 12, 26, 17), 3, 3);
    // The light tells the state.
    const QColor light = processing ? QColor(0x30, 0xd0, 0x4a) : QColor(0xe0, 0x30, 0x30);
    p.setPen(QPen(light.darker(160), 1));
    p.setBrush(light);
    p.drawEllipse(QRectF(19, 17, 8, 8));
    p.setBrush(QColor(0xc8, 0xd4, 0xe6));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(6, 17, 10, 3));
    p.drawRect(QRectF(6, 22, 10, 3));
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon ApplicationIcon() { return TrayImage(true); }

}  // namespace vorn::images
