#include "controls/TGauge.h"

#include <QPainter>
#include <algorithm>

namespace vorn {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Gauge"));
  setAccessibleName(QStringLiteral("Progres"));
  setMinimumHeight(20);
}

void TGauge::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
  progress_ = std::clamp(progress_, minimum_, maximum_);
  update();
}

void TGauge::SetProgress(int progress) {
  progress_ = std::clamp(progress, minimum_, maximum_);
  update();
}

int TGauge::Percent() const {
  if (maximum_ <= minimum_) return 0;
  return static_cast<int>(100LL * (progress_ - minimum_) / (maximum_ - minimum_));
}

void TGauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(frame, Qt::white);
  const int filled = frame.width() * Percent() / 100;
  painter.fillRect(QRect(frame.left(), frame.top(), filled, frame.height()), QColor(0, 128, 128));
  painter.setPen(Qt::gray);
  painter.drawRect(frame);
  // Black over the empty part, white over the filled part, so the figure reads at any value.
  const QString text = QString::number(Percent()) + QLatin1Char('%');
  painter.setPen(Qt::black);
  painter.drawText(frame, Qt::AlignCenter, text);
  painter.setClipRect(QRect(frame.left(), frame.top(), filled, frame.height()));
  painter.setPen(Qt::white);
  painter.drawText(frame, Qt::AlignCenter, text);
}

}  // namespace vorn
