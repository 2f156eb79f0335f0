#include "controls/TBitmapButton.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace vorn {

namespace {

QPixmap Tinted(const QPixmap& glyph, int lighter) {
  QImage image = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = QColor::fromRgba(row[x]);
      const QColor t = lighter >= 100 ? c.lighter(lighter) : c.darker(200 - lighter);
      row[x] = qRgba(t.red(), t.green(), t.blue(), qAlpha(row[x]));
    }
  }
  return QPixmap::fromImage(image);
}

QPixmap Grey(const QPixmap& glyph) {
  QImage image = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int g = 160 + qGray(row[x]) / 4;
      row[x] = qRgba(g, g, g, qAlpha(row[x]));
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace

TBitmapButton::TBitmapButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
  setText(caption);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
}

void TBitmapButton::SetPictures(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                                const QPixmap& disabled) {
  normal_ = normal;
  pressed_ = pressed;
  hover_ = hover;
  disabled_ = disabled;
  update();
}

void TBitmapButton::SetGlyph(const QPixmap& glyph) {
  SetPictures(glyph, Tinted(glyph, 80), Tinted(glyph, 125), Grey(glyph));
}

const QPixmap& TBitmapButton::CurrentPicture() const {
  if (!isEnabled()) return disabled_;
  if (isDown()) return pressed_;
  if (hovered_) return hover_;
  return normal_;
}

QColor TBitmapButton::CaptionColor() const {
  return isEnabled() ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80);
}

QSize TBitmapButton::sizeHint() const {
  const QFontMetrics fm(font());
  const int picture = normal_.isNull() ? 0 : normal_.width() + 8;
  return {picture + fm.horizontalAdvance(text()) + 20, std::max(34, normal_.height() + 8)};
}

void TBitmapButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const bool down = isDown() && isEnabled();
  QLinearGradient fill(face.topLeft(), face.bottomLeft());
  fill.setColorAt(0, down ? QColor(0xd8, 0xdc, 0xe4) : QColor(0xfb, 0xfb, 0xfd));
  fill.setColorAt(1, down ? QColor(0xc4, 0xc9, 0xd4) : QColor(0xe3, 0xe6, 0xec));
  p.setBrush(fill);
  p.setPen(hovered_ && isEnabled() ? QColor(0x4a, 0x7e, 0xc4) : QColor(0xa0, 0xa5, 0xb0));
  p.drawRoundedRect(face, 4, 4);

  const int shift = down ? 1 : 0;
  int x = 8 + shift;
  const QPixmap& picture = CurrentPicture();
  if (!picture.isNull()) {
    p.drawPixmap(x, (height() - picture.height()) / 2 + shift, picture);
    x += picture.width() + 8;
  }
  p.setPen(CaptionColor());
  const QRect textRect(x, shift, width() - x - 6, height());
  p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text());
  if (hasFocus()) {
    p.setPen(QPen(QColor(0x4a, 0x7e, 0xc4), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(face.adjusted(2, 2, -2, -2), 3, 3);
  }
}

void TBitmapButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void TBitmapButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void TBitmapButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) update();
  QAbstractButton::changeEvent(event);
}

}  // namespace vorn
