#pragma once
#include <bitset>

#include "receipt/CommandTable.h"

namespace vorn {

// Which commands one receipt file holds. Cleared at pickup, set by
// validation, read by device preparation and execution.
struct ReceiptMarkers {
  bool HasFiscal = false;
  bool HasNonFiscal = false;
  bool HasSale = false;
  bool HasPayment = false;

  // A line of this code is in the file (for a command that counts only alone: and it does).
  bool Has(int code) const {
    const CommandInfo* info = FindCommand(code);
    return info && present_.test(info->row);
  }
  // Some command of the file has this fact.
  bool Any(CommandFact fact) const {
    for (std::size_t row = 0; row < kCommandCount; ++row) {
      if (present_.test(row) && CommandAt(row).Is(fact)) return true;
    }
    return false;
  }
  bool Holds(const CommandInfo& info) const { return present_.test(info.row); }

  // Sets what a line of this command stands for.
  void Mark(const CommandInfo& info);
  // After the last line: markers that count only for a file of one command line go
  // when the file has more.
  void Settle(int commandLines);
  void Clear() { *this = ReceiptMarkers{}; }

 private:
  std::bitset<kCommandCount> present_;
};

}  // namespace vorn
