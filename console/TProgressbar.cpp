#include "console/TProgressbar.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "controls/TGauge.h"

namespace vorn {

TProgressbar::TProgressbar(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("TProgressbar"));
  setWindowTitle(QStringLiteral("Asteapta ...."));
  gauge_ = new TGauge(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(gauge_);
  setFixedSize(505, 27);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TProgressbar::closeEvent(QCloseEvent* event) {
  if (busy_) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace vorn
