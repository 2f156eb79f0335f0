#pragma once
#include <string>

namespace vorn {

// Every question the service may put to the operator. The console answers with
// modal dialogs; headless runs answer "Nu"/cancel; tests script the answers.
class OperatorQuestions {
 public:
  virtual ~OperatorQuestions() = default;
  // D1 "Eroare imprimanta": lastError + "\r\r" + "Ati eliminat eroarea ?". True on "Da".
  virtual bool AskPrinterErrorRemoved(const std::string& lastError) = 0;
  // D2 "Atentie": run the daily Z report now? True on "Da".
  virtual bool AskRunZReport() = 0;
  // Payment form dialog "Eroare forma plata": 1..7, or 0 for "Anuleaza bon".
  virtual int ChoosePaymentForm() = 0;
  // Step message ("Listez Linia ..."); returns when the operator closed it.
  virtual void ShowStepMessage(const std::string& text) = 0;
  // Error dialog (caption, message), e.g. after a failed answer file.
  virtual void ShowError(const std::string& caption, const std::string& message) = 0;
};

}  // namespace vorn
