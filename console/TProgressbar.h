#pragma once
// The progress window of a long transfer; it cannot be closed while busy.
#include <QWidget>

namespace vorn {

class TGauge;

class TProgressbar : public QWidget {
  Q_OBJECT
 public:
  explicit TProgressbar(QWidget* parent = nullptr);

  TGauge* Gauge() const { return gauge_; }
  void SetBusy(bool busy) { busy_ = busy; }
  bool Busy() const { return busy_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  TGauge* gauge_;
  bool busy_ = false;
};

}  // namespace vorn
