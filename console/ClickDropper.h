#pragma once
// While alive, mouse and key input aimed at the widgets of one window is
// dropped: for a moment after a report, so that clicks the operator made while
// it printed are not taken as new commands.
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
