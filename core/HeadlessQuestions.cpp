#include "core/HeadlessQuestions.h"

#include <cstdio>

namespace vorn {

namespace {
void Say(const std::string& kind, const std::string& text) {
  std::fprintf(stderr, "vorndrv: %s: %s -> Nu\n", kind.c_str(), text.c_str());
}
}  // namespace

bool HeadlessQuestions::AskPrinterErrorRemoved(const std::string& lastError) {
  Say("Eroare imprimanta", lastError);
  return false;
}

bool HeadlessQuestions::AskRunZReport() {
  Say("Atentie", "raport Z");
  return false;
}

int HeadlessQuestions::ChoosePaymentForm() {
  Say("Eroare forma plata", "Anuleaza bon");
  return 0;
}

void HeadlessQuestions::ShowStepMessage(const std::string& text) {
  std::fprintf(stderr, "vorndrv: %s\n", text.c_str());
}

void HeadlessQuestions::ShowError(const std::string& caption, const std::string& message) {
  std::fprintf(stderr, "vorndrv: %s: %s\n", caption.c_str(), message.c_str());
}

}  // namespace vorn
