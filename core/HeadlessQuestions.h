#pragma once
// Operator questions without a screen: every question is answered "Nu" or
// cancel, every message goes to standard error.
#include "core/OperatorQuestions.h"

namespace vorn {

class HeadlessQuestions : public OperatorQuestions {
 public:
  bool AskPrinterErrorRemoved(const std::string& lastError) override;
  bool AskRunZReport() override;
  int ChoosePaymentForm() override;
  void ShowStepMessage(const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& message) override;
};

}  // namespace vorn
