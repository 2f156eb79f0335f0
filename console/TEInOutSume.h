#pragma once
// Cash put into or taken out of the drawer by hand.
#include <QDialog>

#include "operations/ManualLink.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vorn {

class TEInOutSume : public QDialog {
  Q_OBJECT
 public:
  TEInOutSume(const ManualContext& context, QWidget* parent = nullptr);

  // Not while the device is being talked to.
  void reject() override;

  // The separator the sum accepts: the locale's at creation.
  char DecimalSeparator() const { return separator_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void RTipOperClick();
  void BStartClick();

  ManualContext context_;
  char separator_ = '.';
  bool busy_ = false;
  QRadioButton* cashIn_ = nullptr;
  QLineEdit* ENrStart_ = nullptr;
  QLineEdit* ENrEnd_ = nullptr;
  QPushButton* BStart_ = nullptr;
  QPushButton* BitBtn1_ = nullptr;
};

}  // namespace vorn
