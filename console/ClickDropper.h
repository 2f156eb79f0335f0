#pragma once
// While alive, mouse and key input aimed at the widgets of one window is
// dropped. A device operation keeps the event loop running while it waits, so
// without this a click made meanwhile would start a second operation.
#include <QObject>

class QWidget;

namespace vorn {

class ClickDropper : public QObject {
 public:
  explicit ClickDropper(QWidget* window);
  ~ClickDropper() override;
  ClickDropper(const ClickDropper&) = delete;
  ClickDropper& operator=(const ClickDropper&) = delete;

  int Dropped() const { return dropped_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  int dropped_ = 0;
};

}  // namespace vorn
