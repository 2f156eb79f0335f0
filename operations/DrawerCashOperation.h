#pragma once
// Cash put into or taken out of the drawer by hand (7106 "D" / "P").
#include <string>

#include "operations/ManualLink.h"
#include "operations/OperationOutcome.h"

namespace vorn {

// Digits with at most one separator and at least one digit ("12", "12,5",
// ",5", "12,"); false for anything else, the amount then untouched.
bool ParseCashSum(const std::string& text, char separator, double& amount);

// One cash operation on a link of its own; log "Log_InOutNumerar_". The reason
// the operator typed is not part of the command.
OperationOutcome RunDrawerCash(const ManualContext& context, bool cashIn, double amount);

}  // namespace vorn
