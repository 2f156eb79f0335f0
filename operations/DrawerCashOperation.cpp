#include "operations/DrawerCashOperation.h"

#include "operations/DialogLink.h"

namespace vorn {

bool ParseCashSum(const std::string& text, char separator, double& amount) {
  double whole = 0;
  double fraction = 0;
  double scale = 1;
  bool digit = false;
  bool afterSeparator = false;
  for (char c : text) {
    if (c == separator && !afterSeparator) {
      afterSeparator = true;
    } else if (c >= '0' && c <= '9') {
      digit = true;
      if (afterSeparator) {
        scale /= 10;
        fraction += (c - '0') * scale;
      } else {
        whole = whole * 10 + (c - '0');
      }
    } else {
      return false;
    }
  }
  if (!digit) return false;
  amount = whole + fraction;
  return true;
}

OperationOutcome RunDrawerCash(const ManualContext& context, bool cashIn, double amount) {
  return RunOnDialogLink(context, false, "Log_InOutNumerar_", [&](TXvornLinux& link) {
    return Checked(link.CashOperation(cashIn ? "D" : "P", amount), link,
                   "Eroare la efectuarea operatiei !\r");
  });
}

}  // namespace vorn
