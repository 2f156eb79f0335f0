#pragma once
// Runs one receipt file on the fiscal device: the device preparation and the
// recovery of a receipt left open, the fiscal run, the report and service run.
#include <memory>
#include <string>

#include "core/FileContext.h"
#include "device/TXvornLinux.h"
#include "execution/CrashRecovery.h"

namespace vorn {

class ReceiptExecutor : public FileExecutor {
 public:
  ReceiptExecutor();
  ~ReceiptExecutor() override;
  ReceiptExecutor(const ReceiptExecutor&) = delete;
  ReceiptExecutor& operator=(const ReceiptExecutor&) = delete;

  // ---- FileExecutor ----
  bool PrepareDeviceForFile(FileContext& ctx) override;
  bool ExecuteFile(FileContext& ctx) override;
  void ReleaseLink(FileContext& ctx) override;
  bool RecoverFile(FileContext& ctx, const InFlightRecord& record) override;

  // Device-state check, shared with the manual operations. Mode 0: manual
  // reports; 1: manual cancel and files that cancel a receipt; 2: every other
  // file. On failure its error is the reason to answer.
  LinkStatus CheckDeviceReady(TXvornLinux& link, int mode, FileContext& ctx);

  // The two runs; each releases the file's link on every way out.
  bool ExecuteFiscalReceipt(FileContext& ctx);
  bool ExecuteServiceFile(FileContext& ctx);

  // ---- recovery on the held link (used by the runs) ----
  // True when the operator confirmed a paper-out error removed and the printer agrees.
  bool ConfirmErrorRemoved(FileContext& ctx, const LinkError& error);
  // The Z report made after the operator agreed; the refusal when none was made.
  LinkStatus OfferZReport(FileContext& ctx, const LinkError& refusal);
  // True when the receipt in progress is cancelled and finished (or none was open).
  bool CancelForRestart();
  // Sale with the 24-hour and paper-out recovery; may set the restart request.
  LinkStatus SellWithRecovery(FileContext& ctx, const std::string& name, const SaleItem& item);
  // Payment with the paper-out and unprogrammed-form recovery.
  LinkStatus PayWithRecovery(FileContext& ctx, int form, int64_t hundredths);
  // Fails with the refusal only when the operator chose to cancel the receipt.
  LinkStatus ResolveUnprogrammedPayment(FileContext& ctx, int64_t hundredths,
                                        const LinkError& refusal);
  // Command 9999: finish or cancel the previous receipt and leave the notice.
  LinkStatus ReportReceiptState(FileContext& ctx);

  // An interrupted fiscal run taken up on the held link: a paid receipt is
  // closed and finished as the run would have; a closed one is only cut.
  // Answers in both cases.
  bool ResumeFiscalReceipt(FileContext& ctx, bool closed);
  // Records the file and the device counters before its first command that
  // changes the device (files that may not run twice only).
  void BeginInFlight(FileContext& ctx);

  // Creates and opens the file's link (as the preparation does, without the
  // device check); on failure answers, releases and returns false.
  bool OpenFileLink(FileContext& ctx);
  // Closes and opens the file's link again, quietly (after a lost connection).
  bool ReopenLink(FileContext& ctx);

  TXvornLinux* Link() const { return link_.get(); }
  // Number of a paid receipt that the preparation of this file finished.
  const std::string& AutoFinalizedNumber() const { return autoFinalized_; }
  // The reply of the last payment the device took on this file's link: the
  // close pays the rest it names.
  const std::string& LastPaymentReply() const { return lastPayment_; }
  bool RestartRequested() const { return restartRequest_; }
  void ClearRestartRequest() { restartRequest_ = false; }

 private:
  bool ResolveFiscalInProgress(TXvornLinux& link);
  // Carries out what the restart decided, on the held link; true when the file must run.
  bool TakeUpRecovery(FileContext& ctx, RecoveryAction action, FileEffect effect,
                      const DeviceCounters& now);
  void FlushCommLog(FileContext& ctx);
  LinkStatus Pay(int form, int64_t hundredths);

  std::unique_ptr<TXvornLinux> link_;
  std::string autoFinalized_;
  std::string lastPayment_;
  bool restartRequest_ = false;
};

// Releases the executor's link when a run leaves, whichever way it leaves.
class LinkReleaseGuard {
 public:
  LinkReleaseGuard(ReceiptExecutor& exec, FileContext& ctx) : exec_(exec), ctx_(ctx) {}
  ~LinkReleaseGuard() { exec_.ReleaseLink(ctx_); }
  LinkReleaseGuard(const LinkReleaseGuard&) = delete;
  LinkReleaseGuard& operator=(const LinkReleaseGuard&) = delete;

 private:
  ReceiptExecutor& exec_;
  FileContext& ctx_;
};

}  // namespace vorn
