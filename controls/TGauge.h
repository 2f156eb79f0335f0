#pragma once
// The progress gauge: a horizontal bar filled from the left in teal, with the
// percentage written over it.
#include <QWidget>

namespace vorn {

class TGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TGauge(QWidget* parent = nullptr);

  void SetRange(int minimum, int maximum);
  void SetProgress(int progress);
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  int Progress() const { return progress_; }
  // 0..100, rounded down; 0 for an empty range.
  int Percent() const;

  QSize sizeHint() const override { return {505, 27}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int minimum_ = 0;
  int maximum_ = 100;
  int progress_ = 0;
};

}  // namespace vorn
