#include "operations/DialogLink.h"

namespace vorn {

OperationOutcome RunOnDialogLink(const ManualContext& context, bool withLongTimeOut,
                                 const std::string& logPrefix,
                                 const std::function<OperationOutcome(TXvornLinux&)>& work) {
  const std::string stamp = ManualTimestamp();
  std::unique_ptr<TXvornLinux> link = CreateManualLink(context.settings, withLongTimeOut);
  OperationOutcome outcome;
  if (!OpenManualLink(*link, context.settings)) {
    outcome.message = kOpenFailedText + link->LastError;
  } else {
    outcome = work(*link);
  }
  if (!logPrefix.empty() && context.settings.LogFile)
    SaveManualLog(link->TakeCommLog(), "", logPrefix, stamp);
  link->CloseLink();
  return outcome;
}

OperationOutcome Checked(bool ok, const TXvornLinux& link, const std::string& failureText) {
  OperationOutcome outcome;
  outcome.ok = ok;
  if (!ok) outcome.message = failureText + link.LastError;
  return outcome;
}

}  // namespace vorn
