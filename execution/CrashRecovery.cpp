#include "execution/CrashRecovery.h"

#include "receipt/Fields.h"

namespace vorn {

namespace {

bool IsDigitsOnly(const std::string& text) {
  if (text.empty()) return false;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
  }
  return true;
}

int64_t Count(const std::string& text, std::size_t at, std::size_t width) {
  if (text.size() < at + width) return -1;
  int64_t v = -1;
  const std::string field = text.substr(at, width);
  return IsDigitsOnly(field) && ReadInt64(field, v) ? v : -1;
}

// Which effect decides a file holding commands of several: what must not run
// twice outranks what may.
int Strength(FileEffect e) {
  switch (e) {
    case FileEffect::Receipt:
      return 0;
    case FileEffect::Repeatable:
      return 1;
    case FileEffect::CashMove:
      return 2;
    case FileEffect::ReceiptState:
      return 3;
    case FileEffect::ZReport:
      return 4;
    case FileEffect::Unverifiable:
      break;
  }
  return 5;
}

RecoveryAction Receipt(const DeviceCounters& before, const DeviceCounters& now) {
  if (now.stage.InSales()) return RecoveryAction::VoidAndRunAgain;
  if (now.stage.Paid()) return RecoveryAction::ClosePaid;
  if (now.stage.Closed()) return RecoveryAction::FinishClosed;
  if (!now.stage.None()) return RecoveryAction::CheckDevice;
  // A Z report in between resets the day's counters: they no longer compare.
  if (now.zNumber != before.zNumber) return RecoveryAction::CheckDevice;
  if (before.dayReceipts < 0 || now.dayReceipts < 0) return RecoveryAction::CheckDevice;
  if (now.dayReceipts == before.dayReceipts) return RecoveryAction::RunAgain;
  if (now.dayReceipts == before.dayReceipts + 1) return RecoveryAction::AnswerPrinted;
  return RecoveryAction::CheckDevice;
}

RecoveryAction Cash(const DeviceCounters& before, const DeviceCounters& now, int moves) {
  if (now.zNumber != before.zNumber || before.deposits < 0 || before.withdrawals < 0 ||
      now.deposits < 0 || now.withdrawals < 0) {
    return RecoveryAction::CheckDevice;
  }
  const int64_t made = (now.deposits - before.deposits) + (now.withdrawals - before.withdrawals);
  if (made == 0) return RecoveryAction::RunAgain;
  if (made == moves) return RecoveryAction::AnswerDone;
  return RecoveryAction::CheckDevice;
}

RecoveryAction State(const DeviceCounters& before, const DeviceCounters& now) {
  if (now.stage.Empty() || before.stage.Empty()) return RecoveryAction::CheckDevice;
  if (now.stage == before.stage && now.receiptNumber == before.receiptNumber) {
    return RecoveryAction::RunAgain;
  }
  if (now.stage.None() && before.stage.PaidOrClosed()) return RecoveryAction::AnswerFinalized;
  if (now.stage.None() && before.stage.InSales()) return RecoveryAction::AnswerVoided;
  return RecoveryAction::CheckDevice;
}

}  // namespace

FileEffect EffectOf(const ReceiptMarkers& m, const ReceiptCommands& commands) {
  // A fiscal file prints a receipt unless one of its commands says more.
  FileEffect effect = m.HasFiscal ? FileEffect::Receipt : FileEffect::Repeatable;
  for (std::size_t row = 0; row < kCommandCount; ++row) {
    const CommandInfo& command = CommandAt(row);
    // A command of neither group goes with whatever the file does.
    if (!m.Holds(command) || command.group == CommandGroup::None) continue;
    FileEffect e = command.effect;
    if (e == FileEffect::CashMove && CashMoves(commands) == 0) e = FileEffect::Repeatable;
    if (Strength(e) > Strength(effect)) effect = e;
  }
  return effect;
}

int CashMoves(const ReceiptCommands& commands) {
  int n = 0;
  for (const CommandLine& line : commands) {
    const CommandInfo* command = line.Command();
    if (command && command->effect == FileEffect::CashMove &&
        (line.Field(1) == "D" || line.Field(1) == "P")) {
      ++n;
    }
  }
  return n;
}

RecoveryAction DecideRecovery(FileEffect effect, const DeviceCounters& before,
                              const DeviceCounters& now, int cashMoves) {
  switch (effect) {
    case FileEffect::Repeatable:
      return RecoveryAction::RunAgain;
    case FileEffect::Receipt:
      return Receipt(before, now);
    case FileEffect::ZReport:
      if (before.zNumber < 0 || now.zNumber < 0) return RecoveryAction::CheckDevice;
      if (now.zNumber == before.zNumber) return RecoveryAction::RunAgain;
      if (now.zNumber == before.zNumber + 1) return RecoveryAction::AnswerDone;
      return RecoveryAction::CheckDevice;
    case FileEffect::CashMove:
      return Cash(before, now, cashMoves);
    case FileEffect::ReceiptState:
      return State(before, now);
    case FileEffect::Unverifiable:
      break;
  }
  return RecoveryAction::CheckDevice;
}

const char* ActionName(RecoveryAction action) {
  switch (action) {
    case RecoveryAction::RunAgain:
      return "fisierul se executa din nou";
    case RecoveryAction::VoidAndRunAgain:
      return "bonul deschis se anuleaza si fisierul se executa din nou";
    case RecoveryAction::ClosePaid:
      return "bonul platit se inchide";
    case RecoveryAction::FinishClosed:
      return "bonul inchis se finalizeaza";
    case RecoveryAction::AnswerPrinted:
      return "bonul a fost tiparit";
    case RecoveryAction::AnswerDone:
      return "operatia a fost efectuata";
    case RecoveryAction::AnswerFinalized:
      return "bonul in derulare a fost finalizat";
    case RecoveryAction::AnswerVoided:
      return "bonul in derulare a fost anulat";
    case RecoveryAction::CheckDevice:
      break;
  }
  return "starea nu poate fi stabilita";
}

bool ReadDayCounters(const std::string& totals, DeviceCounters& c) {
  if (totals.size() != 253) return false;
  c.dayReceipts = Count(totals, 0, 4);
  c.withdrawals = Count(totals, 175, 4);
  c.deposits = Count(totals, 188, 4);
  return true;
}

int64_t ZNumberFromJournalInfo(const std::string& reply) { return Count(reply, 18, 9); }

}  // namespace vorn
