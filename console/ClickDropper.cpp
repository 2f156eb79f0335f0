#include "console/ClickDropper.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace vorn {

ClickDropper::ClickDropper(QWidget* window) : window_(window) {
  QCoreApplication::instance()->installEventFilter(this);
}

ClickDropper::~ClickDropper() { QCoreApplication::instance()->removeEventFilter(this); }

bool ClickDropper::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut: {
      auto* widget = qobject_cast<QWidget*>(watched);
      // Dialogs opened by the operation are windows of their own and stay usable.
      if (widget && (widget == window_ || window_->isAncestorOf(widget))) {
        ++dropped_;
        return true;
      }
      break;
    }
    default:
      break;
  }
  return false;
}

}  // namespace vorn
