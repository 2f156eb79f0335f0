#pragma once
// The device's internet connection test and profile information.
#include <QDialog>
#include <string>
#include <vector>

#include "operations/ManualLink.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace vorn {

class TEVerificari : public QDialog {
  Q_OBJECT
 public:
  TEVerificari(const ManualContext& context, QWidget* parent = nullptr);

  // Not while the device is being talked to.
  void reject() override;

  // Shows result lines (Windows-1252) as the memo does after a verification.
  void ShowMemoLines(const std::vector<std::string>& lines);

 private:
  void BStartClick();

  ManualContext context_;
  bool busy_ = false;
  QCheckBox* CTCP_ = nullptr;
  QCheckBox* CIP_ = nullptr;
  QPlainTextEdit* Memo1_ = nullptr;
};

}  // namespace vorn
