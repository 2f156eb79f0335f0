// A receipt file met again after a restart: what its interrupted run did is
// read from the device, and the file is answered or run again accordingly.
#include <cstdio>

#include "execution/CrashRecovery.h"
#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"

namespace vorn {

using namespace exec;

namespace {

DeviceCounters ReadCounters(TXvornLinux& link) {
  DeviceCounters c;
  if (link.ReadReceiptState() && !link.ReceiptStateStage().Blank()) {
    c.stage = link.ReceiptStateStage();
    c.receiptNumber = ReadIntDef(link.ReceiptNumber(), -1);
  }
  if (const LinkResult<std::string> totals = link.ReadDailyTotals())
    ReadDayCounters(totals.value, c);
  if (const LinkResult<JournalInfo> journal = link.ReadJournalFreeLines())
    c.zNumber = ZNumberFromJournalInfo(journal.value.reply);
  return c;
}

std::string ReceiptNumberText(int64_t n) {
  char out[24];
  std::snprintf(out, sizeof out, "%04lld", static_cast<long long>(n));
  return out;
}

}  // namespace

void ReceiptExecutor::BeginInFlight(FileContext& ctx) {
  if (!ctx.inFlight || !ctx.saveInFlight || !link_) return;
  if (EffectOf(MarkersOf(ctx), CommandsOf(ctx)) == FileEffect::Repeatable) return;
  ctx.inFlight->phase = InFlightPhase::Started;
  ctx.inFlight->before = ReadCounters(*link_);
  FlushCommLog(ctx);
  ctx.saveInFlight();
}

bool ReceiptExecutor::RecoverFile(FileContext& ctx, const InFlightRecord& record) {
  const ReceiptMarkers& m = MarkersOf(ctx);
  const FileEffect effect = EffectOf(m, CommandsOf(ctx));
  if (effect == FileEffect::Repeatable) {
    AppendLog(ctx, {std::string("Repornire: ") + ActionName(RecoveryAction::RunAgain)});
    return true;
  }
  if (!OpenFileLink(ctx)) {
    Answer(ctx, kCheckDeviceMessage);
    return false;
  }
  LinkReleaseGuard release(*this, ctx);
  TXvornLinux& link = *link_;
  const DeviceCounters now = ReadCounters(link);
  const RecoveryAction action =
      DecideRecovery(effect, record.before, now, CashMoves(CommandsOf(ctx)));
  FlushCommLog(ctx);
  AppendLog(ctx, {std::string("Repornire: ") + ActionName(action)});
  return TakeUpRecovery(ctx, action, effect, now);
}

bool ReceiptExecutor::TakeUpRecovery(FileContext& ctx, RecoveryAction action, FileEffect effect,
                                     const DeviceCounters& now) {
  TXvornLinux& link = *link_;
  const ReceiptMarkers& m = MarkersOf(ctx);
  AnswerSlots& slots = SlotsOf(ctx);
  switch (action) {
    case RecoveryAction::RunAgain:
      return true;
    case RecoveryAction::VoidAndRunAgain:
      // A refusal here leaves the receipt to the preparation, which cancels it too.
      if (link.VoidReceipt()) static_cast<void>(link.FinishReceiptPartialCut(0));
      return true;
    case RecoveryAction::ClosePaid:
      ResumeFiscalReceipt(ctx, false);
      return false;
    case RecoveryAction::FinishClosed:
      ResumeFiscalReceipt(ctx, true);
      return false;
    case RecoveryAction::AnswerPrinted:
      slots.FiscalSeries.clear();
      slots.FiscalReceiptNumber = ReceiptNumberText(now.receiptNumber);
      break;
    case RecoveryAction::AnswerDone:
      if (effect == FileEffect::CashMove) {
        if (const LinkResult<std::string> cash = link.CashOperation("R", 0))
          slots.DrawerCash = cash.value;
      }
      break;
    case RecoveryAction::AnswerFinalized:
      if (m.Has(9999)) {
        slots.RecoveryNotice = "#2;BONUL FISCAL A FOST FINALIZAT. PRELUCRATI BONUL IN APLICATIE.";
      }
      break;
    case RecoveryAction::AnswerVoided:
      if (m.Has(9999)) {
        slots.RecoveryNotice = "#1;BONUL FISCAL A FOST ANULAT. RETRANSMITETI BONUL FISCAL.";
      }
      break;
    case RecoveryAction::CheckDevice:
      Answer(ctx, kCheckDeviceMessage);
      return false;
  }
  Answer(ctx, "0 OK");
  return false;
}

}  // namespace vorn
