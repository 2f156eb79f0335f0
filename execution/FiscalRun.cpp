// The fiscal receipt run: the lines of one receipt file, then the close.
#include <algorithm>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "execution/AnswerText.h"
#include "execution/CommandRuns.h"
#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"

namespace vorn {

using namespace exec;

namespace {

class FiscalRun {
 public:
  FiscalRun(ReceiptExecutor& exec, FileContext& ctx)
      : exec_(exec), ctx_(ctx), s_(SettingsOf(ctx)), run_(exec, ctx, true) {}

  bool Run();
  bool Resume(bool closed);

 private:
  TXvornLinux& Link() { return *exec_.Link(); }
  bool Fail(const LinkError& error) {
    VoidOwnReceipt(error);
    Answer(ctx_, error.text);
    return false;
  }
  // A file answered with an error must not leave its receipt open: the next
  // file's preparation would finish a paid one, printing a sale the
  // application was told had failed.
  void VoidOwnReceipt(const LinkError& error) {
    TXvornLinux& link = Link();
    if (!run_.saleSent || error.IsPaperOut()) return;
    const bool known = static_cast<bool>(ReadReceiptStateFresh());
    // Booked (stage 6) or already gone: nothing to void. Unknown: try.
    if (known && !link.IsReceiptInSales() && !link.ReceiptStateStage().Paid()) return;
    if (link.VoidReceipt()) static_cast<void>(link.FinishReceiptPartialCut(0));
  }
  // A connection lost on the way gets one fresh one: the receipt's fate must
  // not wait for the next file.
  LinkStatus ReadReceiptStateFresh() {
    LinkStatus read = Link().ReadReceiptState();
    if (read || !exec_.ReopenLink(ctx_)) return read;
    return Link().ReadReceiptState();
  }
  // A close whose reply was lost may have been carried out all the same; the
  // device's stage says so, and a booked receipt is never answered as failed.
  // A state read that fails too becomes the close's error: it is the device's
  // latest word.
  bool CloseTookEffect(LinkStatus& closed) {
    LinkStatus read = ReadReceiptStateFresh();
    if (!read) {
      closed = std::move(read);
      return false;
    }
    return Link().ReceiptStateStage().Closed();
  }
  LinkStatus RunPass();  // fails when a line failed for good
  LinkStatus FinishAfterClose();
  bool EndOfFile();
  void MarkClosed();

  ReceiptExecutor& exec_;
  FileContext& ctx_;
  const Settings& s_;
  CommandRun run_;
  const ReceiptMarkers& m_ = run_.markers;
  AnswerSlots& slots_ = run_.slots;
};

bool FiscalRun::Run() {
  slots_.FiscalSeries.clear();
  slots_.RecoveryNotice.clear();
  if (!exec_.Link()) {
    // Preparation normally leaves the link open; a run started without it opens its own.
    if (!exec_.OpenFileLink(ctx_)) return false;
  }
  if (s_.VerificaOra) {
    if (s_.M4) {
      static_cast<void>(Link().ReadStatus1010(true));
    } else {
      static_cast<void>(Link().ReadStatus(true));
    }
  }

  for (;;) {
    if (LinkStatus pass = RunPass(); !pass) return Fail(pass.error);
    if (!exec_.RestartRequested()) break;
    run_.displayLines.clear();
  }
  return EndOfFile();
}

bool FiscalRun::Resume(bool closed) {
  slots_.FiscalSeries.clear();
  slots_.RecoveryNotice.clear();
  if (closed) {
    // What followed the close may have printed already; only the cut is sure to be missing.
    slots_.FiscalReceiptNumber.clear();
    slots_.AutoFinalizedReceipt.clear();
    slots_.OpenReceiptHint.clear();
    if (LinkStatus finished = FinishAfterClose(); !finished) {
      slots_.OpenReceiptHint = finished.error.text +
                               " transmiteti un bon nou sau verificati stare bon precedent cu "
                               "comanda 9999";
    }
    Answer(ctx_, "0 OK");
    return true;
  }
  // Paid: nothing after the payment was sent. Only the lines kept for after the close matter.
  for (const CommandLine& line : CommandsOf(ctx_)) {
    if (line.Command() && line.Command()->Is(AfterClose)) static_cast<void>(RunCommand(run_, line));
  }
  return EndOfFile();
}

void FiscalRun::MarkClosed() {
  if (!ctx_.inFlight || !ctx_.saveInFlight) return;
  ctx_.inFlight->phase = InFlightPhase::Closed;
  ctx_.saveInFlight();
}

LinkStatus FiscalRun::RunPass() {
  exec_.ClearRestartRequest();
  run_.barcodeLines.clear();
  run_.trailers.clear();
  int counter = 0;
  const int delay = std::max(0, s_.Delay);
  for (const CommandLine& line : CommandsOf(ctx_)) {
    ++counter;
    if (s_.MesajLaListareItem && ctx_.questions) {
      ctx_.questions->ShowStepMessage("Listez Linia " + std::to_string(counter) + " : " +
                                      std::string(line.Text()));
    }
    if (LinkStatus ran = RunCommand(run_, line); !ran) {
      // A sale refused for paper out that the operator fixed: the file starts over.
      return exec_.RestartRequested() ? LinkStatus{} : ran;
    }
    WaitMs(delay);
  }
  return {};
}

LinkStatus FiscalRun::FinishAfterClose() {
  TXvornLinux& link = Link();
  for (const CommandLine& line : run_.barcodeLines) {
    // The caller answers: "0 OK" with the hint, or this error after a paper out.
    if (LinkStatus printed = PrintBarcodeLine(run_, line); !printed) return printed;
  }

  static_cast<void>(ReadReceiptStateFresh());
  slots_.FiscalReceiptNumber = link.ReceiptNumber();
  slots_.AutoFinalizedReceipt = exec_.AutoFinalizedNumber();

  if (!run_.trailers.empty()) {
    // Trailer texts are accepted only once the receipt is paid; the limit runs on the
    // monotonic clock so a run across midnight does not wait forever.
    const int64_t start = MonotonicMs();
    const int64_t limit = ScaledMs(2000);
    bool paid = false;
    for (;;) {
      WaitMs(100);
      static_cast<void>(link.ReadReceiptState());
      if (link.ReceiptStateStage().PaidOrClosed()) {
        paid = true;
        break;
      }
      if (MonotonicMs() - start >= limit) break;
    }
    if (paid) {
      for (const TrailerText& t : run_.trailers) {
        static_cast<void>(link.PrintFiscalText3012(t.font, t.text, t.alignment));
      }
    }
  }

  LinkStatus finished =
      s_.ModTaiere == 1 ? link.FinishReceiptPartialCut(s_.LiniiAvans) : link.FinishReceiptFullCut();
  // The number is what the application files the sale under: a state read lost
  // on the line is asked again (the finished receipt keeps its number).
  for (int attempt = 0; attempt < 3 && slots_.FiscalReceiptNumber.empty(); ++attempt) {
    LinkStatus read = link.ReadReceiptState();
    if (read) {
      slots_.FiscalReceiptNumber = link.ReceiptNumber();
    } else if (!finished) {
      finished = read;  // the hint names the device's latest complaint
    }
  }
  return finished;
}

bool FiscalRun::EndOfFile() {
  TXvornLinux& link = Link();
  slots_.FiscalReceiptNumber.clear();
  slots_.NonFiscalReceiptNumber.clear();
  slots_.AutoFinalizedReceipt.clear();
  slots_.OpenReceiptHint.clear();

  LinkStatus outcome;
  if (!m_.Any(NoReceipt)) {
    if (m_.HasPayment) {
      for (const CommandLine& line : run_.displayLines) {
        if (LinkStatus shown = ShowDisplayLine(run_, line); !shown) return Fail(shown.error);
      }
    }
    LinkStatus closed = link.CloseFiscalReceipt(exec_.LastPaymentReply());
    if (closed || (!closed.error.IsPaperOut() && CloseTookEffect(closed))) {
      MarkClosed();
      if (LinkStatus finished = FinishAfterClose(); !finished) {
        slots_.OpenReceiptHint = finished.error.text +
                                 " transmiteti un bon nou sau verificati stare bon precedent cu "
                                 "comanda 9999";
      }
    } else if (!closed.error.IsPaperOut()) {
      return Fail(closed.error);
    } else {
      // Interim: the application reads the paper-out error while the operator
      // reloads; the file's last answer replaces it.
      Answer(ctx_, closed.error.text);
      if (ctx_.writeInterimAnswer) ctx_.writeInterimAnswer(ctx_.answer);
      outcome = exec_.ConfirmErrorRemoved(ctx_, closed.error) ? FinishAfterClose() : closed;
    }
  } else if (!exec_.AutoFinalizedNumber().empty()) {
    // A paid receipt finished during preparation is reported even when this file closes none.
    slots_.AutoFinalizedReceipt = exec_.AutoFinalizedNumber();
  }

  std::vector<std::string> totals;
  if (outcome && run_.dailyTotals) totals = DailyTotalsText(*run_.dailyTotals);
  if (outcome && run_.totalizerLine && !run_.totalizerLine->empty()) {
    totals.push_back(*run_.totalizerLine);
  }
  Answer(ctx_, outcome ? std::string("0 OK") : outcome.error.text).totals = std::move(totals);
  return static_cast<bool>(outcome);
}

}  // namespace

bool ReceiptExecutor::ResumeFiscalReceipt(FileContext& ctx, bool closed) {
  FiscalRun run(*this, ctx);
  return run.Resume(closed);
}

bool ReceiptExecutor::ExecuteFiscalReceipt(FileContext& ctx) {
  LinkReleaseGuard release(*this, ctx);
  FiscalRun run(*this, ctx);
  return run.Run();
}

}  // namespace vorn
