#pragma once
// The notification-area icon: one image while processing, another while
// stopped; a click shows or hides the window, a right click on a hidden window
// opens the popup menu.
#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>

class QMenu;
class QWidget;

namespace vorn {

class TrayIcon : public QObject {
  Q_OBJECT
 public:
  TrayIcon(QWidget* window, QMenu* popup, QObject* parent = nullptr);

  static bool Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void Show();
  void Remove();
  void SetProcessing(bool processing);
  bool ShowsProcessing() const { return processing_; }

  // What the clicks do; public so tests can click without a notification area.
  void LeftClick();
  void RightClick(const QPoint& at);

 private:
  QWidget* window_;
  QMenu* popup_;
  QSystemTrayIcon* icon_ = nullptr;  // none where the desktop has no notification area
  bool processing_ = false;
};

}  // namespace vorn
