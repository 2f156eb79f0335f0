#include "core/AnswerFile.h"

namespace vorn {

std::vector<std::string> BuildAnswerLines(const FileAnswer& answer) {
  const std::string& message = answer.message;
  const AnswerSlots& slots = answer.slots;
  std::vector<std::string> out;
  if (message != "0 OK") out.emplace_back("1 ERROR");
  out.push_back(message);
  if (!slots.FiscalReceiptNumber.empty())
    out.push_back("BON FISCAL NR. " + slots.FiscalReceiptNumber);
  if (!slots.FiscalSeries.empty()) out.push_back("Serie Fiscala : " + slots.FiscalSeries);
  if (!slots.NonFiscalReceiptNumber.empty()) {
    out.push_back("BON NEFISCAL NR. " + slots.NonFiscalReceiptNumber);
  }
  if (!slots.OpenReceiptHint.empty()) out.push_back(slots.OpenReceiptHint);
  if (!slots.RecoveryNotice.empty()) out.push_back(slots.RecoveryNotice);
  if (!slots.DrawerCash.empty())
    out.push_back("NUMERAR SERTAR : " + FormatDrawerCash(slots.DrawerCash));
  out.insert(out.end(), answer.replies.begin(), answer.replies.end());
  if (!slots.AutoFinalizedReceipt.empty()) {
    out.push_back("A FOST FINALIZAT AUTOMAT BONUL " + slots.AutoFinalizedReceipt);
  }
  out.insert(out.end(), answer.totals.begin(), answer.totals.end());
  if (slots.PaperNearEnd) out.emplace_back("8024;ATENTIE ! SE TERMINA HARTIA");
  if (slots.JournalNearFull) out.emplace_back("8024;ATENTIE ! JURNAL APROAPE PLIN");
  if (slots.JournalFreeLines > 500 && slots.JournalFreeLines < 100000) {
    out.push_back("NUMARUL DE LINII LIBERE IN JE = " + std::to_string(slots.JournalFreeLines) +
                  "/  CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIREA MEMORIEI JE");
  }
  return out;
}

std::string FormatDrawerCash(const std::string& value) {
  if (value.size() != 10) return value;
  std::string out;
  if (value[0] != '+') out += value[0];
  const std::string integer = value.substr(1, 7);
  const size_t first = integer.find_first_not_of('0');
  out += first == std::string::npos ? "0" : integer.substr(first);
  out += '.';
  out += value.substr(8, 2);
  return out;
}

std::vector<std::string> BuildWarnings(const AnswerSlots& slots) {
  std::vector<std::string> out;
  if (slots.PaperNearEnd) out.emplace_back("Atentie ! Se termina hartia !");
  if (slots.JournalNearFull) out.emplace_back("Atentie ! Jurnal aproape plin!");
  if (slots.NotFiscalized) out.emplace_back("Atentie ! Imprimanta nefiscalizata !");
  return out;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

std::string VersionText() {
#if defined(VORN_VERSION_MAJOR) && defined(VORN_VERSION_MINOR) && defined(VORN_VERSION_PATCH) && \
    defined(VORN_VERSION_TWEAK)
  return std::to_string(VORN_VERSION_MAJOR) + "." + std::to_string(VORN_VERSION_MINOR) + "." +
         std::to_string(VORN_VERSION_PATCH) + "." + std::to_string(VORN_VERSION_TWEAK);
#else
  return {};
#endif
}

void UpdateStatusFile(IniFile& ini, const std::string& version, bool processing, bool connected,
                      bool closing) {
  ini.Set("INFO", "Versiune", version);
  ini.Set("INFO", "Stare",
          closing ? "DRIVER INCHIS" : (processing ? "START PROCESARE" : "STOP PROCESARE"));
  ini.Set("INFO", "ConectatLaCasa", connected ? "DA" : "NU");
}

}  // namespace vorn
