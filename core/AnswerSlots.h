#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

// Values that validation and execution leave for the answer file.
struct AnswerSlots {
  std::string FiscalReceiptNumber;
  std::string FiscalSeries;  // survives pickup
  std::string NonFiscalReceiptNumber;
  std::string OpenReceiptHint;
  std::string RecoveryNotice;  // emptied once written
  std::string DrawerCash;
  std::string AutoFinalizedReceipt;
  bool PaperNearEnd = false;     // survive pickup
  bool JournalNearFull = false;  // survive pickup
  bool NotFiscalized = false;    // survive pickup
  int64_t JournalFreeLines = -1;

  // Empties what belongs to one file (all but the series, warnings and journal count).
  void ClearForNewFile() {
    FiscalReceiptNumber.clear();
    NonFiscalReceiptNumber.clear();
    OpenReceiptHint.clear();
    RecoveryNotice.clear();
    DrawerCash.clear();
    AutoFinalizedReceipt.clear();
  }
};

}  // namespace vorn
