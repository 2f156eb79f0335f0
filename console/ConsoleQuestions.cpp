#include "console/ConsoleQuestions.h"

#include <QCoreApplication>
#include <QWidget>

#include "console/CGetFormaPlata.h"
#include "console/RomMessageDialog.h"
#include "core/DeviceJobs.h"

namespace vorn {

namespace {
// Questions come from the device's thread; dialogs live on the console's.
QObject* GuiOwner(QWidget* parent) {
  return parent ? static_cast<QObject*>(parent) : QCoreApplication::instance();
}
}  // namespace

bool ConsoleQuestions::AskPrinterErrorRemoved(const std::string& lastError) {
  return CallOnThreadOf(GuiOwner(parent_), [&] {
    return RomMessageDialog::Show(lastError + "\r\r" + "Ati eliminat eroarea ?",
                                  "Eroare imprimanta", MsgKind::Confirmation, kBtnYes | kBtnNo,
                                  parent_) == MsgResult::Yes;
  });
}

bool ConsoleQuestions::AskRunZReport() {
  return CallOnThreadOf(GuiOwner(parent_), [&] {
    return RomMessageDialog::Show("24 ore de la primul bon. \rLansez automat raportul zilnic ?",
                                  "Atentie", MsgKind::Confirmation, kBtnYes | kBtnNo,
                                  parent_) == MsgResult::Yes;
  });
}

int ConsoleQuestions::ChoosePaymentForm() {
  return CallOnThreadOf(GuiOwner(parent_), [&] { return CGetFormaPlata::Ask(parent_); });
}

void ConsoleQuestions::ShowStepMessage(const std::string& text) {
  CallOnThreadOf(GuiOwner(parent_),
                 [&] { RomMessageDialog::Show(text, "", MsgKind::Information, kBtnOk, parent_); });
}

void ConsoleQuestions::ShowError(const std::string& caption, const std::string& message) {
  CallOnThreadOf(GuiOwner(parent_), [&] {
    RomMessageDialog::Show(message, caption, MsgKind::Warning, kBtnOk, parent_);
  });
}

}  // namespace vorn
