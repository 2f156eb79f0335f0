#include "console/ConsoleQuestions.h"

#include "console/CGetFormaPlata.h"
#include "console/RomMessageDialog.h"

namespace vorn {

bool ConsoleQuestions::AskPrinterErrorRemoved(const std::string& lastError) {
  return RomMessageDialog::Show(lastError + "\r\r" + "Ati eliminat eroarea ?", "Eroare imprimanta",
                                MsgKind::Confirmation, kBtnYes | kBtnNo, parent_) == MsgResult::Yes;
}

bool ConsoleQuestions::AskRunZReport() {
  return RomMessageDialog::Show("24 ore de la primul bon. \rLansez automat raportul zilnic ?",
                                "Atentie", MsgKind::Confirmation, kBtnYes | kBtnNo,
                                parent_) == MsgResult::Yes;
}

int ConsoleQuestions::ChoosePaymentForm() { return CGetFormaPlata::Ask(parent_); }

void ConsoleQuestions::ShowStepMessage(const std::string& text) {
  RomMessageDialog::Show(text, "", MsgKind::Information, kBtnOk, parent_);
}

void ConsoleQuestions::ShowError(const std::string& caption, const std::string& message) {
  RomMessageDialog::Show(message, caption, MsgKind::Warning, kBtnOk, parent_);
}

}  // namespace vorn
