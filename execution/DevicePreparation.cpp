// Device preparation before a receipt file and the device-state check.
#include <QTime>

#include "base/Clock.h"
#include "device/ReceiptStage.h"
#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"
#include "receipt/Fields.h"

namespace vorn {

using namespace exec;

namespace {

constexpr const char* kJournalMessage =
    "EFECTUATI RAPORTUL FISCAL Z / CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIRE MEMORIE JE";

int PortForFile(const FileContext& ctx) {
  const ReceiptLines& lines = LinesOf(ctx);
  const std::string first = lines.empty() ? std::string() : std::string(lines[0]);
  int port =
      (!lines.empty() && IsPortLine(first)) ? PortLineNumber(first) : SettingsOf(ctx).ComNumber();
  return port <= 0 ? 1 : port;
}

bool Ask(FileContext& ctx, const std::string& lastError) {
  return ctx.questions && ctx.questions->AskPrinterErrorRemoved(lastError);
}

enum class ErrorKind { None, Operator, Hard };
struct StatusError {
  int code = 0;
  ErrorKind kind = ErrorKind::None;
};

// The first error of the status just read, in the order the device's state is judged.
StatusError FirstStatusError(const TXvornLinux& link, int mode) {
  using K = ErrorKind;
  if (link.IsCoverOpen()) return {37, K::Operator};
  if (link.IsPaperOut()) return {16, K::Operator};
  // A full journal is no error for the manual reports (mode 0).
  if (link.IsJournalFull()) return mode != 0 ? StatusError{30, K::Hard} : StatusError{};
  if (link.IsCutterError()) return {67, K::Hard};
  if (link.IsJournalMissing()) return {33, K::Hard};
  if (link.IsDisplayMissing()) return {56, K::Operator};
  return {};
}

// Fine when the status shows no error, or the operator says it is removed;
// else the state's error.
LinkStatus AcceptStatusError(TXvornLinux& link, int mode, FileContext& ctx) {
  const StatusError error = FirstStatusError(link, mode);
  if (error.kind == ErrorKind::None) return {};
  LinkError state = link.ErrorFor(error.code);
  if (error.kind == ErrorKind::Operator) {
    // One question, no second status read: a persisting error makes the next command fail.
    if (SettingsOf(ctx).TratareEroareStare == 1 && Ask(ctx, state.text)) return {};
  } else if (!link.ShowOnDisplay(state.text)) {
    // The device state is answered, not the refused display command; the
    // error tally counts it once more, as it always has.
    state = link.ErrorFor(error.code);
  }
  return state;
}

}  // namespace

ReceiptExecutor::ReceiptExecutor() = default;

ReceiptExecutor::~ReceiptExecutor() {
  if (link_) link_->CloseLink();
}

void ReceiptExecutor::FlushCommLog(FileContext& ctx) {
  if (!link_) return;
  AppendLog(ctx, link_->TakeCommLog());
}

void ReceiptExecutor::ReleaseLink(FileContext& ctx) {
  if (!link_) return;
  link_->CloseLink();
  FlushCommLog(ctx);
  link_.reset();
}

bool ReceiptExecutor::OpenFileLink(FileContext& ctx) {
  ReleaseLink(ctx);
  const Settings& s = SettingsOf(ctx);
  link_ = std::make_unique<TXvornLinux>(s.UseTcp(), s.M4);
  autoFinalized_.clear();
  lastPayment_.clear();
  link_->SetLongTimeOut(s.LongTimeOut);
  const LinkOpening opening = link_->OpenLink(PortForFile(ctx), s.BaudRate, s.IP);
  if (opening) return true;
  if (!opening.systemDetail.empty()) {
    const std::string now = QTime::currentTime().toString("hh:mm:ss:zzz").toStdString();
    AppendLog(ctx, {now + "-Port       : " + opening.systemDetail});
    if (ctx.note) ctx.note(opening.systemDetail);
  }
  // A failed open leaves no error text; the answer must still say why nothing was printed.
  Answer(ctx, link_->ErrorFor(8001).text);
  ReleaseLink(ctx);
  return false;
}

bool ReceiptExecutor::ReopenLink(FileContext& ctx) {
  if (!link_) return false;
  const Settings& s = SettingsOf(ctx);
  link_->CloseLink();
  return link_->OpenLink(PortForFile(ctx), s.BaudRate, s.IP).open;
}

bool ReceiptExecutor::PrepareDeviceForFile(FileContext& ctx) {
  restartRequest_ = false;
  if (!OpenFileLink(ctx)) return false;
  TXvornLinux& link = *link_;
  const ReceiptMarkers& m = MarkersOf(ctx);
  AnswerSlots& slots = SlotsOf(ctx);

  bool ok = true;
  if (!m.Has(9999)) {
    if (LinkStatus ready = CheckDeviceReady(link, m.Has(14) ? 1 : 2, ctx); !ready) {
      Answer(ctx, ready.error.text);
      ok = false;
    }
  }

  slots.PaperNearEnd = link.IsPaperNearEnd();
  slots.JournalNearFull = link.IsJournalNearFull();
  slots.NotFiscalized = link.IsNotFiscalized();

  // The journal is asked whatever the check gave, but only when its count is
  // known; a device that reports none (-1) must not refuse every file.
  if (slots.JournalFreeLines >= 0 && slots.JournalFreeLines <= 99999) {
    const int64_t freeLines = link.ReadJournalFreeLines().value.freeLines;
    if (freeLines != -1) slots.JournalFreeLines = freeLines;
    if (slots.JournalFreeLines < 500) {
      Answer(ctx, kJournalMessage);
      ok = false;
    }
  }

  if (!ok) {
    ReleaseLink(ctx);
    return false;
  }
  FlushCommLog(ctx);
  return true;
}

bool ReceiptExecutor::ExecuteFile(FileContext& ctx) {
  LinkReleaseGuard release(*this, ctx);
  BeginInFlight(ctx);
  if (MarkersOf(ctx).HasFiscal) return ExecuteFiscalReceipt(ctx);
  return ExecuteServiceFile(ctx);
}

LinkStatus ReceiptExecutor::CheckDeviceReady(TXvornLinux& link, int mode, FileContext& ctx) {
  if (LinkStatus read = link.ReadStatus(false); !read) return read;
  if (link.IsFiscalMemoryFull() || link.IsFiscalMemoryMissing())
    return link.ErrorFor(link.IsFiscalMemoryFull() ? 51 : 50);
  if (LinkStatus accepted = AcceptStatusError(link, mode, ctx); !accepted) return accepted;
  if (mode == 1) {
    if (!link.IsFiscalReceiptOpen())
      return LinkError{8030, "8030;Nu exista nici un bon in derulare ", false};
    return {};
  }

  bool resolved = true;
  if (link.IsFiscalReceiptOpen()) {
    resolved = ResolveFiscalInProgress(link);
  } else if (link.IsNonFiscalReceiptOpen()) {
    resolved = static_cast<bool>(link.CloseNonFiscalReceipt());
  }
  if (!resolved) return LinkError{8020, "8020;Bon in derulare ", false};
  return {};
}

bool ReceiptExecutor::ResolveFiscalInProgress(TXvornLinux& link) {
  const LinkResult<ReceiptStage> read = link.ReadReceiptStage();
  if (!read) return false;
  if (!read.value.PaidOrClosed()) return link.VoidReceipt() && link.FinishReceiptPartialCut(0);

  // The number of the paid receipt, so the answer can tell the application which one was finished.
  std::string number = link.ReceiptNumber();
  if (number.empty()) {
    static_cast<void>(link.ReadReceiptState());
    number = link.ReceiptNumber();
  }
  if (!link.FinishReceiptPartialCut(0)) return false;
  autoFinalized_ = number;
  return true;
}

}  // namespace vorn
