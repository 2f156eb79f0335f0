#pragma once
// Cash put into or taken out of the drawer by hand (7106 "D" / "P").
#include <concepts>
#include <cstdint>
#include <string>

#include "operations/ManualLink.h"
#include "operations/OperationOutcome.h"

namespace vorn {

// Digits with at most one separator and at least one digit ("12", "12,5",
// ",5", "12,"), in hundredths by HundredthsOfTyped; false for anything else,
// the amount then untouched.
bool ParseCashSum(const std::string& text, char separator, int64_t& hundredths);

// A typed amount in whole hundredths: moved 1e-10 away from zero, then rounded
// half away from zero (12.345 -> 1235, 0.29 -> 29); beyond 9e18 hundredths it
// is 9e18 with its sign, and not a number or infinite it is 0. The amounts
// typed by hand have always reached the device so.
int64_t HundredthsOfTyped(double amount);

// One cash operation on a link of its own; log "Log_InOutNumerar_". The reason
// the operator typed is not part of the command.
OperationOutcome RunDrawerCash(const ManualContext& context, bool cashIn, int64_t hundredths);
// A fractional amount here would silently lose its fraction.
template <std::floating_point T>
OperationOutcome RunDrawerCash(const ManualContext&, bool, T) = delete;

}  // namespace vorn
