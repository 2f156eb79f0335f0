#include "console/TrayIcon.h"

#include <QCursor>
#include <QMenu>
#include <QWidget>

#include "console/ConsoleImages.h"

namespace vorn {

TrayIcon::TrayIcon(QWidget* window, QMenu* popup, QObject* parent)
    : QObject(parent), window_(window), popup_(popup) {
  if (!Available()) return;
  icon_ = new QSystemTrayIcon(images::TrayImage(false), this);
  icon_->setToolTip(window->windowTitle());
  connect(icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) LeftClick();
            if (reason == QSystemTrayIcon::Context) RightClick(QCursor::pos());
          });
  connect(popup_, &QMenu::aboutToHide, this, [this] { icon_->setToolTip(window_->windowTitle()); });
}

void TrayIcon::Show() {
  if (icon_) icon_->show();
}

void TrayIcon::Remove() {
  if (icon_) icon_->hide();
}

void TrayIcon::SetProcessing(bool processing) {
  processing_ = processing;
  if (icon_) icon_->setIcon(images::TrayImage(processing));
}

void TrayIcon::LeftClick() {
  if (window_->isVisible()) {
    window_->hide();
    return;
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void TrayIcon::RightClick(const QPoint& at) {
  if (window_->isVisible()) {
    window_->hide();
    return;
  }
  // Wine keeps the icon's tooltip over the menu, where it took the click meant
  // for "Stop program": no tooltip while the menu is open.
  if (icon_) icon_->setToolTip(QString());
  popup_->popup(at);
}

}  // namespace vorn
