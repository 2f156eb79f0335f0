#pragma once
// The operator's questions answered with the console's modal dialogs.
#include "core/OperatorQuestions.h"

class QWidget;

namespace vorn {

class ConsoleQuestions : public OperatorQuestions {
 public:
  explicit ConsoleQuestions(QWidget* parent = nullptr) : parent_(parent) {}

  bool AskPrinterErrorRemoved(const std::string& lastError) override;
  bool AskRunZReport() override;
  int ChoosePaymentForm() override;
  void ShowStepMessage(const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& message) override;

 private:
  QWidget* parent_;
};

}  // namespace vorn
