#include "operations/DialogLink.h"

namespace vorn {

OperationOutcome RunOnDialogLink(const ManualContext& context, bool withLongTimeOut,
                                 const std::string& logPrefix,
                                 const std::function<OperationOutcome(TXvornLinux&)>& work) {
  const std::string stamp = ManualTimestamp();
  std::unique_ptr<TXvornLinux> link = CreateManualLink(context.settings, withLongTimeOut);
  OperationOutcome outcome;
  if (!OpenManualLink(*link, context.settings)) {
    outcome.message = kOpenFailedText;
  } else {
    outcome = work(*link);
  }
  if (!logPrefix.empty() && context.settings.LogFile)
    SaveManualLog(link->TakeCommLog(), "", logPrefix, stamp);
  link->CloseLink();
  return outcome;
}

OperationOutcome Checked(const LinkStatus& status, const std::string& failureText) {
  OperationOutcome outcome;
  outcome.ok = static_cast<bool>(status);
  if (!outcome.ok) outcome.message = failureText + status.error.text;
  return outcome;
}

}  // namespace vorn
