// The fiscal receipt run: the lines of one receipt file, then the close.
#include <algorithm>
#include <string>
#include <vector>

#include "device/Clock.h"
#include "execution/AnswerText.h"
#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"

namespace vorn {

using namespace exec;

namespace {

struct TrailerText {
  std::string font;
  std::string text;
  int alignment = 0;
};

// Codes whose execution means the file printed no receipt of its own.
struct Executed {
  bool c0 = false, c15 = false, c17 = false, c18or19 = false, c24 = false, c27 = false, c28 = false,
       c30 = false, c32 = false;
  bool Any() const { return c0 || c15 || c17 || c18or19 || c24 || c27 || c28 || c30 || c32; }
};

bool FlagOn(const std::vector<std::string>& f, std::size_t i) {
  return i < f.size() && f[i] != "0";
}

class FiscalRun {
 public:
  FiscalRun(ReceiptExecutor& exec, FileContext& ctx)
      : exec_(exec), ctx_(ctx), s_(SettingsOf(ctx)), m_(MarkersOf(ctx)), slots_(SlotsOf(ctx)) {}

  bool Run();
  bool Resume(bool closed);

 private:
  TXvornLinux& Link() { return *exec_.Link(); }
  bool Fail() {
    const std::string error = Link().LastError;
    VoidOwnReceipt();
    Answer(ctx_, error);
    return false;
  }
  // A file answered with an error must not leave its receipt open: the next
  // file's preparation would finish a paid one, printing a sale the
  // application was told had failed.
  void VoidOwnReceipt() {
    TXvornLinux& link = Link();
    if (!saleSent_ || link.ErrorIsPaperOut) return;
    const bool known = ReadReceiptStateFresh();
    // Booked (stage 6) or already gone: nothing to void. Unknown: try.
    if (known && !link.IsReceiptInSales() && link.ReceiptStateChar != "5") return;
    if (link.VoidReceipt()) link.FinishReceiptPartialCut(0);
  }
  // A connection lost on the way gets one fresh one: the receipt's fate must
  // not wait for the next file.
  bool ReadReceiptStateFresh() {
    std::string state;
    if (Link().ReadReceiptState(state)) return true;
    return exec_.ReopenLink(ctx_) && Link().ReadReceiptState(state);
  }
  // A close whose reply was lost may have been carried out all the same; the
  // device's stage says so, and a booked receipt is never answered as failed.
  bool CloseTookEffect() { return ReadReceiptStateFresh() && Link().ReceiptStateChar == "6"; }
  bool RunPass();  // false when a line failed for good
  bool Dispatch(const std::string& line, const std::vector<std::string>& f);
  bool DiscountOrMarkup(const std::vector<std::string>& f);
  bool ShowDisplayLine(const std::vector<std::string>& f);
  bool FinishAfterClose();
  bool EndOfFile();
  void MarkClosed();

  ReceiptExecutor& exec_;
  FileContext& ctx_;
  const Settings& s_;
  const ReceiptMarkers& m_;
  AnswerSlots& slots_;
  Executed executed_;
  std::vector<std::string> displayLines_;
  std::vector<std::string> barcodeLines_;
  std::vector<TrailerText> trailers_;
  bool saleSent_ = false;  // a sale went out: the device may hold a receipt of this file
};

bool FiscalRun::Run() {
  slots_.FiscalSeries.clear();
  slots_.RecoveryNotice.clear();
  if (!exec_.Link()) {
    // Preparation normally leaves the link open; a run started without it opens its own.
    if (!exec_.OpenFileLink(ctx_)) return false;
  }
  Link().CutMode = s_.ModTaiere;
  Link().FeedLines = s_.LiniiAvans;
  if (s_.VerificaOra) {
    std::string out;
    if (s_.M4) {
      Link().ReadStatus1010(out, true);
    } else {
      Link().ReadStatus(true);
    }
  }

  for (;;) {
    if (!RunPass()) return Fail();
    if (!exec_.RestartRequested()) break;
    displayLines_.clear();
  }
  return EndOfFile();
}

bool FiscalRun::Resume(bool closed) {
  slots_.FiscalSeries.clear();
  slots_.RecoveryNotice.clear();
  Link().CutMode = s_.ModTaiere;
  Link().FeedLines = s_.LiniiAvans;
  if (closed) {
    // What followed the close may have printed already; only the cut is sure to be missing.
    slots_.FiscalReceiptNumber.clear();
    slots_.AutoFinalizedReceipt.clear();
    slots_.OpenReceiptHint.clear();
    if (!FinishAfterClose()) {
      slots_.OpenReceiptHint = Link().LastError +
                               " transmiteti un bon nou sau verificati stare bon precedent cu "
                               "comanda 9999";
    }
    Answer(ctx_, "0 OK");
    return true;
  }
  // Paid: nothing after the payment was sent. Only the lines kept for after the close matter.
  for (const std::string_view view : LinesOf(ctx_)) {
    const std::string line(view);
    std::vector<std::string> f = SplitFields(line, ';');
    if (f.empty()) continue;
    if (f[0] == "10" && m_.HasPayment) {
      displayLines_.push_back(line);
    } else if (f[0] == "12" || f[0] == "16") {
      Dispatch(line, f);
    }
  }
  return EndOfFile();
}

void FiscalRun::MarkClosed() {
  if (!ctx_.inFlight || !ctx_.saveInFlight) return;
  ctx_.inFlight->phase = InFlightPhase::Closed;
  ctx_.saveInFlight();
}

bool FiscalRun::RunPass() {
  exec_.ClearRestartRequest();
  barcodeLines_.clear();
  trailers_.clear();
  int counter = 0;
  const int delay = std::max(0, s_.Delay);
  for (const std::string_view view : LinesOf(ctx_)) {
    const std::string line(view);
    std::vector<std::string> f = SplitFields(line, ';');
    if (!f.empty()) {
      ++counter;
      if (s_.MesajLaListareItem && ctx_.questions) {
        ctx_.questions->ShowStepMessage("Listez Linia " + std::to_string(counter) + " : " + line);
      }
      if (!Dispatch(line, f)) {
        // A sale refused for paper out that the operator fixed: the file starts over.
        return exec_.RestartRequested();
      }
    }
    WaitMs(delay);
  }
  return true;
}

bool FiscalRun::Dispatch(const std::string& line, const std::vector<std::string>& f) {
  TXvornLinux& link = Link();
  const std::string& code = f[0];
  if (code == "0") {
    executed_.c0 = true;
    return link.FinishReceiptPartialCut(0);
  }
  if (code == "1") {
    SaleItem item;
    item.unit = Field(f, 2).substr(0, 4);
    item.department = static_cast<uint32_t>(IntField(f, 3));
    item.vat = static_cast<uint32_t>(IntField(f, 4));
    item.price = Hundredths(f, 5);
    item.quantity = IntField(f, 6);
    item.denominator = f.size() > 7 ? IntField(f, 7, 1) : 1;
    item.storno = f.size() > 8 && f[8] == "-";
    saleSent_ = true;
    return exec_.SellWithRecovery(ctx_, Field(f, 1), item);
  }
  if (code == "100" || code == "101") {
    SaleItem item;
    item.price = Hundredths(f, 1);
    item.quantity = 100000;  // one whole unit
    item.denominator = 1;
    item.department = 1;
    item.vat = static_cast<uint32_t>(IntField(f, 2));
    item.storno = true;
    saleSent_ = true;
    return link.SellItem(code == "100" ? "STORNO PLATA AVANS" : "AMBALAJ RETURNABIL", item);
  }
  if (code == "2") {
    return link.PrintFiscalText(Field(f, 1), Field(f, 2), f.size() > 3 ? IntFieldI(f, 3) : 0);
  }
  if (code == "5") return exec_.PayWithRecovery(ctx_, IntFieldI(f, 2, 1), Hundredths(f, 1));
  if (code == "7") return DiscountOrMarkup(f);
  if (code == "8") return link.Subtotal();
  if (code == "10") {
    if (m_.HasPayment) {
      displayLines_.push_back(line);
      return true;
    }
    return ShowDisplayLine(f);
  }
  if (code == "11") return link.PrintFiscalText3010(Field(f, 1), Field(f, 2));
  if (code == "111") return link.PrintFiscalText3008(Field(f, 1), Field(f, 2));
  if (code == "12") {
    TrailerText t;
    t.font = Field(f, 1);
    t.text = Field(f, 2).empty() ? std::string(" ") : Field(f, 2);
    t.alignment = f.size() > 3 ? IntFieldI(f, 3) : 0;
    trailers_.push_back(std::move(t));
    return true;
  }
  if (code == "9999") return exec_.ReportReceiptState(ctx_);
  if (code == "14") return link.VoidReceipt() && link.FinishReceiptPartialCut(0);
  if (code == "15") {
    executed_.c15 = true;
    return link.DailyZReport(0);
  }
  if (code == "30") {
    executed_.c30 = true;
    return link.XReport();
  }
  if (code == "31") {
    SimpleItem item;
    item.department = static_cast<uint32_t>(IntField(f, 1));
    return link.SellItemSimple(item);
  }
  if (code == "32") {
    executed_.c32 = true;
    return link.Command2103();
  }
  if (code == "16") {
    barcodeLines_.push_back(line);
    return true;
  }
  if (code == "17") {
    executed_.c17 = true;
    return link.ReadDailyTotals();
  }
  if (code == "18") {
    executed_.c18or19 = true;
    return link.FiscalMemoryReportByNumbers(IntFieldI(f, 2), IntFieldI(f, 3));
  }
  if (code == "19") {
    executed_.c18or19 = true;
    if (f.size() == 1) return link.FiscalMemoryReportByDates(3, 0, 0, 0, 0, 0, 0);
    return link.FiscalMemoryReportByDates(IntFieldI(f, 1), IntFieldI(f, 2), IntFieldI(f, 3),
                                          IntFieldI(f, 4), IntFieldI(f, 5), IntFieldI(f, 6),
                                          IntFieldI(f, 7));
  }
  if (code == "24") {
    executed_.c24 = true;
    std::string series;
    int result = 0;
    bool ok = link.ReadFiscalSeries(series, result);
    slots_.FiscalSeries = series;
    return ok;
  }
  if (code == "27") {
    executed_.c27 = true;
    std::string value;
    return link.ReadTotalizer(IntFieldI(f, 1), value);
  }
  if (code == "28") {
    executed_.c28 = true;
    return link.ReadTotalizers();
  }
  return true;  // port lines, code 3 and anything else send nothing
}

bool FiscalRun::DiscountOrMarkup(const std::vector<std::string>& f) {
  TXvornLinux& link = Link();
  if (FlagOn(f, 2) && !link.Subtotal()) return false;
  const bool discount = FlagOn(f, 1);
  const bool byValue = f.size() >= 7 && FlagOn(f, 6);
  if (byValue) {
    int64_t amount = f.size() >= 6 ? Hundredths(f, 5) : 0;
    return discount ? link.DiscountValue(amount) : link.MarkupValue(amount);
  }
  int64_t percent = Hundredths(f, 4);
  return discount ? link.DiscountPercent(percent) : link.MarkupPercent(percent);
}

bool FiscalRun::ShowDisplayLine(const std::vector<std::string>& f) {
  return Link().ShowOnDisplay(DisplayText(Field(f, 1), Field(f, 2)));
}

bool FiscalRun::FinishAfterClose() {
  TXvornLinux& link = Link();
  for (const std::string& line : barcodeLines_) {
    std::vector<std::string> f = SplitFields(line, ';');
    if (!link.PrintBarcode(IntFieldI(f, 1), IntFieldI(f, 2), Field(f, 4), IntFieldI(f, 3))) {
      Answer(ctx_, link.LastError);
      return false;
    }
  }

  std::string state;
  ReadReceiptStateFresh();
  slots_.FiscalReceiptNumber = link.ReceiptNumber;
  slots_.AutoFinalizedReceipt = link.AutoFinalizedNumber;

  if (!trailers_.empty()) {
    // Trailer texts are accepted only once the receipt is paid; the limit runs on the
    // monotonic clock so a run across midnight does not wait forever.
    const int64_t start = MonotonicMs();
    const int64_t limit = ScaledMs(2000);
    bool paid = false;
    for (;;) {
      WaitMs(100);
      link.ReadReceiptState(state);
      if (link.ReceiptStateChar == "5" || link.ReceiptStateChar == "6") {
        paid = true;
        break;
      }
      if (MonotonicMs() - start >= limit) break;
    }
    if (paid) {
      for (const TrailerText& t : trailers_) link.PrintFiscalText3012(t.font, t.text, t.alignment);
    }
  }

  const bool finished =
      s_.ModTaiere == 1 ? link.FinishReceiptPartialCut(s_.LiniiAvans) : link.FinishReceiptFullCut();
  // The number is what the application files the sale under: a state read lost
  // on the line is asked again (the finished receipt keeps its number).
  for (int attempt = 0; attempt < 3 && slots_.FiscalReceiptNumber.empty(); ++attempt) {
    if (link.ReadReceiptState(state)) slots_.FiscalReceiptNumber = link.ReceiptNumber;
  }
  return finished;
}

bool FiscalRun::EndOfFile() {
  TXvornLinux& link = Link();
  slots_.FiscalReceiptNumber.clear();
  slots_.NonFiscalReceiptNumber.clear();
  slots_.AutoFinalizedReceipt.clear();
  slots_.OpenReceiptHint.clear();

  bool outcome = true;
  const bool noClose = executed_.Any() || m_.Has14 || m_.Has9999 || m_.Has10;
  if (!noClose) {
    if (m_.HasPayment) {
      for (const std::string& line : displayLines_) {
        if (!ShowDisplayLine(SplitFields(line, ';'))) return Fail();
      }
    }
    if (link.CloseFiscalReceipt() || (!link.ErrorIsPaperOut && CloseTookEffect())) {
      MarkClosed();
      if (!FinishAfterClose()) {
        slots_.OpenReceiptHint = link.LastError +
                                 " transmiteti un bon nou sau verificati stare bon precedent cu "
                                 "comanda 9999";
      }
    } else if (!link.ErrorIsPaperOut) {
      return Fail();
    } else {
      Answer(ctx_, link.LastError);
      outcome = exec_.ConfirmErrorRemoved(ctx_) && FinishAfterClose();
    }
  } else if (!link.AutoFinalizedNumber.empty()) {
    // A paid receipt finished during preparation is reported even when this file closes none.
    slots_.AutoFinalizedReceipt = link.AutoFinalizedNumber;
  }

  slots_.ExtraAnswerLines.clear();
  if (outcome && executed_.c17) {
    for (std::string& l : DailyTotalsText(link.DailyTotals)) {
      slots_.ExtraAnswerLines.push_back(std::move(l));
    }
  }
  if (outcome && executed_.c27) {
    std::string l = TotalizerLine(link.TotalizerType, link.TotalizerReply);
    if (!l.empty()) slots_.ExtraAnswerLines.push_back(std::move(l));
  }
  Answer(ctx_, outcome ? std::string("0 OK") : link.LastError);
  return outcome;
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
