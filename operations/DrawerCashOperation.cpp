#include "operations/DrawerCashOperation.h"

#include <cmath>

#include "operations/DialogLink.h"

namespace vorn {

bool ParseCashSum(const std::string& text, char separator, int64_t& hundredths) {
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
  // Summed in binary as always, so every typed text keeps its old hundredths.
  hundredths = HundredthsOfTyped(whole + fraction);
  return true;
}

int64_t HundredthsOfTyped(double amount) {
  if (!std::isfinite(amount)) return 0;
  amount += (amount >= 0) ? 1e-10 : -1e-10;
  double x = amount * 100;
  x = (x >= 0) ? std::floor(x + 0.5) : std::ceil(x - 0.5);
  constexpr double kLimit = 9.0e18;
  if (x > kLimit) x = kLimit;
  if (x < -kLimit) x = -kLimit;
  return static_cast<int64_t>(x);
}

OperationOutcome RunDrawerCash(const ManualContext& context, bool cashIn, int64_t hundredths) {
  return RunOnDialogLink(context, false, "Log_InOutNumerar_", [&](TXvornLinux& link) {
    return Checked(link.CashOperation(cashIn ? "D" : "P", hundredths),
                   "Eroare la efectuarea operatiei !\r");
  });
}

}  // namespace vorn
