// Recovery from device trouble met while a receipt runs.
#include "base/Clock.h"
#include "device/ReceiptStage.h"
#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"

namespace vorn {

using namespace exec;

bool ReceiptExecutor::ConfirmErrorRemoved(FileContext& ctx, const LinkError& error) {
  if (!link_ || SettingsOf(ctx).TratareEroareStare == 0 || !ctx.questions) return false;
  std::string shown = error.text;
  for (;;) {
    if (!ctx.questions->AskPrinterErrorRemoved(shown)) return false;
    // A status read that fails is the error the operator is asked about next.
    const LinkResult<std::string> status = link_->ReadPrinterStatus();
    if (!status) shown = status.error.text;
    if (!link_->IsPrinterPaperOut()) return true;
  }
}

LinkStatus ReceiptExecutor::OfferZReport(FileContext& ctx, const LinkError& refusal) {
  if (!link_ || SettingsOf(ctx).TratareEroareStare != 1 || !ctx.questions) return refusal;
  if (!ctx.questions->AskRunZReport()) return refusal;
  return link_->DailyZReport(0);
}

bool ReceiptExecutor::CancelForRestart() {
  if (!link_) return false;
  // Nothing open (the refused sale was the first): nothing to cancel, the file may start again.
  if (link_->ReadReceiptState() && !link_->IsReceiptInSales() &&
      !link_->ReceiptStateStage().PaidOrClosed()) {
    return true;
  }
  bool finished = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (!link_->IsReceiptInSales()) break;
    if (link_->VoidReceipt()) {
      static_cast<void>(link_->ReadReceiptState());
      if (!link_->IsReceiptInSales()) {
        static_cast<void>(link_->FinishReceiptPartialCut(0));
        finished = true;
      }
    }
  }
  return finished;
}

LinkStatus ReceiptExecutor::SellWithRecovery(FileContext& ctx, const std::string& name,
                                             const SaleItem& item) {
  for (;;) {
    // The link rewrites the unit of the record it is given: every attempt starts from the line's
    // own.
    SaleItem attempt = item;
    LinkStatus sold = link_->SellItem(name, attempt);
    if (sold) return sold;
    if (sold.error.Is24hSinceZ()) {
      if (LinkStatus z = OfferZReport(ctx, sold.error); !z) return z;
      // The Z report reset the day's counters the crash record compares against.
      BeginInFlight(ctx);
      WaitMs(1000);
      continue;
    }
    if (sold.error.IsPaperOut()) {
      if (ConfirmErrorRemoved(ctx, sold.error) && CancelForRestart()) restartRequest_ = true;
    }
    return sold;
  }
}

LinkStatus ReceiptExecutor::Pay(int form, int64_t hundredths) {
  LinkResult<std::string> paid = link_->Payment(form, "", hundredths);
  if (paid) lastPayment_ = std::move(paid.value);
  return paid;
}

LinkStatus ReceiptExecutor::PayWithRecovery(FileContext& ctx, int form, int64_t hundredths) {
  for (;;) {
    LinkStatus paid = Pay(form, hundredths);
    if (paid) return paid;
    // The device took nothing of a refused payment: once the paper is back it
    // goes out again, or the receipt could never be closed.
    if (paid.error.IsPaperOut()) {
      if (!ConfirmErrorRemoved(ctx, paid.error)) return paid;
      continue;
    }
    if (paid.error.IsExtended()) return ResolveUnprogrammedPayment(ctx, hundredths, paid.error);
    return paid;
  }
}

LinkStatus ReceiptExecutor::ResolveUnprogrammedPayment(FileContext& ctx, int64_t hundredths,
                                                       const LinkError& refusal) {
  const Settings& s = SettingsOf(ctx);
  // A resent payment the device refuses too ends the run with its own error:
  // carrying on would close an unpaid receipt and answer with the wrong cause.
  if (s.TratareFormaPlata == 0) return Pay(s.CodFormaPlata, hundredths);
  int form = ctx.questions ? ctx.questions->ChoosePaymentForm() : 0;
  if (form >= 1 && form <= 7) return Pay(form, hundredths);
  // The answer names the refused payment form, whatever the cancel steps meet.
  static_cast<void>(link_->VoidReceipt());
  static_cast<void>(link_->CloseFiscalReceipt(lastPayment_));
  static_cast<void>(link_->FinishReceiptPartialCut(0));
  return refusal;
}

LinkStatus ReceiptExecutor::ReportReceiptState(FileContext& ctx) {
  const LinkResult<ReceiptStage> read = link_->ReadReceiptStage();
  if (!read) return read;
  AnswerSlots& slots = SlotsOf(ctx);
  const ReceiptStage& stage = read.value;
  if (stage.PaidOrClosed()) {
    LinkStatus finished = link_->FinishReceiptPartialCut(0);
    slots.RecoveryNotice = "#2;BONUL FISCAL A FOST FINALIZAT. PRELUCRATI BONUL IN APLICATIE.";
    return finished;
  }
  if (stage.InSalesRun()) {
    LinkStatus voided = link_->VoidReceipt();
    slots.RecoveryNotice = "#1;BONUL FISCAL A FOST ANULAT. RETRANSMITETI BONUL FISCAL.";
    return voided;
  }
  slots.RecoveryNotice = "#0;NU EXISTA BON IN DERULARE";
  return {};
}

}  // namespace vorn
