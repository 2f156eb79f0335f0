// Recovery from device trouble met while a receipt runs.
#include "base/Clock.h"
#include "device/ReceiptStage.h"
#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"

namespace vorn {

using namespace exec;

bool ReceiptExecutor::ConfirmErrorRemoved(FileContext& ctx) {
  if (!link_ || SettingsOf(ctx).TratareEroareStare == 0 || !ctx.questions) return false;
  for (;;) {
    if (!ctx.questions->AskPrinterErrorRemoved(link_->LastError)) return false;
    std::string status;
    link_->ReadPrinterStatus(status);
    if (!link_->IsPrinterPaperOut()) return true;
  }
}

bool ReceiptExecutor::OfferZReport(FileContext& ctx) {
  if (!link_ || SettingsOf(ctx).TratareEroareStare != 1 || !ctx.questions) return false;
  if (!ctx.questions->AskRunZReport()) return false;
  return link_->DailyZReport(0);
}

bool ReceiptExecutor::CancelForRestart() {
  if (!link_) return false;
  std::string state;
  // Nothing open (the refused sale was the first): nothing to cancel, the file may start again.
  if (link_->ReadReceiptState(state) && !link_->IsReceiptInSales() &&
      !link_->ReceiptStateStage().PaidOrClosed()) {
    return true;
  }
  bool finished = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (!link_->IsReceiptInSales()) break;
    if (link_->VoidReceipt()) {
      link_->ReadReceiptState(state);
      if (!link_->IsReceiptInSales()) {
        link_->FinishReceiptPartialCut(0);
        finished = true;
      }
    }
  }
  return finished;
}

bool ReceiptExecutor::SellWithRecovery(FileContext& ctx, const std::string& name,
                                       const SaleItem& item) {
  if (!link_) return false;
  for (;;) {
    // The link rewrites the unit of the record it is given: every attempt starts from the line's
    // own.
    SaleItem attempt = item;
    if (link_->SellItem(name, attempt)) return true;
    if (link_->ErrorIs24hSinceZ) {
      if (!OfferZReport(ctx)) return false;
      // The Z report reset the day's counters the crash record compares against.
      BeginInFlight(ctx);
      WaitMs(1000);
      continue;
    }
    if (link_->ErrorIsPaperOut) {
      if (ConfirmErrorRemoved(ctx) && CancelForRestart()) restartRequest_ = true;
    }
    return false;
  }
}

bool ReceiptExecutor::PayWithRecovery(FileContext& ctx, int form, int64_t hundredths) {
  if (!link_) return false;
  for (;;) {
    if (link_->Payment(form, "", hundredths)) return true;
    // The device took nothing of a refused payment: once the paper is back it
    // goes out again, or the receipt could never be closed.
    if (link_->ErrorIsPaperOut) {
      if (!ConfirmErrorRemoved(ctx)) return false;
      continue;
    }
    if (link_->ErrorIsExtended) return ResolveUnprogrammedPayment(ctx, hundredths);
    return false;
  }
}

bool ReceiptExecutor::ResolveUnprogrammedPayment(FileContext& ctx, int64_t hundredths) {
  if (!link_) return false;
  const Settings& s = SettingsOf(ctx);
  // A resent payment the device refuses too ends the run with its own error:
  // carrying on would close an unpaid receipt and answer with the wrong cause.
  if (s.TratareFormaPlata == 0)
    return static_cast<bool>(link_->Payment(s.CodFormaPlata, "", hundredths));
  int form = ctx.questions ? ctx.questions->ChoosePaymentForm() : 0;
  if (form >= 1 && form <= 7) return static_cast<bool>(link_->Payment(form, "", hundredths));
  // The cancel steps leave their own errors behind; the answer names the refused payment form.
  const std::string refused = link_->LastError;
  link_->VoidReceipt();
  link_->CloseFiscalReceipt();
  link_->FinishReceiptPartialCut(0);
  link_->LastError = refused;
  return false;
}

bool ReceiptExecutor::ReportReceiptState(FileContext& ctx) {
  if (!link_) return false;
  const LinkResult<ReceiptStage> read = link_->ReadReceiptStage();
  if (!read) return false;
  AnswerSlots& slots = SlotsOf(ctx);
  const ReceiptStage& stage = read.value;
  if (stage.PaidOrClosed()) {
    bool ok = link_->FinishReceiptPartialCut(0);
    slots.RecoveryNotice = "#2;BONUL FISCAL A FOST FINALIZAT. PRELUCRATI BONUL IN APLICATIE.";
    return ok;
  }
  if (stage.InSalesRun()) {
    bool ok = link_->VoidReceipt();
    slots.RecoveryNotice = "#1;BONUL FISCAL A FOST ANULAT. RETRANSMITETI BONUL FISCAL.";
    return ok;
  }
  slots.RecoveryNotice = "#0;NU EXISTA BON IN DERULARE";
  return true;
}

}  // namespace vorn
