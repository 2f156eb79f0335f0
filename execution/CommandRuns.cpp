// One run per receipt command; the table in receipt/Commands.def names them.
#include "execution/CommandRuns.h"

#include <array>

#include "execution/AnswerText.h"
#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"
#include "execution/XmlExport.h"

namespace vorn {

using namespace exec;

CommandRun::CommandRun(ReceiptExecutor& e, FileContext& c, bool f)
    : exec(e), ctx(c), markers(MarkersOf(c)), slots(SlotsOf(c)), fiscal(f) {}

TXvornLinux& CommandRun::Link() const { return *exec.Link(); }

LinkStatus ShowDisplayLine(CommandRun& run, const CommandLine& line) {
  return run.Link().ShowOnDisplay(DisplayText(line.Str(1), line.Str(2)));
}

LinkStatus PrintBarcodeLine(CommandRun& run, const CommandLine& line) {
  return run.Link().PrintBarcode(line.SmallInt(1), line.SmallInt(2), line.Str(4), line.SmallInt(3));
}

namespace {

using Line = CommandLine;

LinkStatus RunNothing(CommandRun&, const Line&) { return {}; }

// A read whose reply the answer reports: the reply is kept when it succeeded.
LinkStatus Keep(LinkResult<std::string> read, std::optional<std::string>& reply) {
  if (read) reply = std::move(read.value);
  return read;
}

// ---- the fiscal receipt

LinkStatus RunSale(CommandRun& run, const Line& line) {
  SaleItem item;
  item.unit = line.Str(2).substr(0, 4);
  item.department = static_cast<uint32_t>(line.Int(3));
  item.vat = static_cast<uint32_t>(line.Int(4));
  item.price = line.Hundredths(5);
  item.quantity = line.Int(6);  // hundred-thousandths, as the file writes it
  item.denominator = line.Int(7, 1);
  item.storno = line.Field(8) == "-";
  run.saleSent = true;
  return run.exec.SellWithRecovery(run.ctx, line.Str(1), item);
}

// A value taken back (advance or packaging): a storno sale of one unit.
LinkStatus SellReturn(CommandRun& run, const Line& line, const char* name) {
  SaleItem item;
  item.price = line.Hundredths(1);
  item.quantity = 100000;  // one unit
  item.denominator = 1;
  item.department = 1;
  item.vat = static_cast<uint32_t>(line.Int(2));
  item.storno = true;
  run.saleSent = true;
  return run.Link().SellItem(name, item);
}
LinkStatus RunAdvanceReversal(CommandRun& run, const Line& line) {
  return SellReturn(run, line, "STORNO PLATA AVANS");
}
LinkStatus RunReturnablePackaging(CommandRun& run, const Line& line) {
  return SellReturn(run, line, "AMBALAJ RETURNABIL");
}

LinkStatus RunFiscalText(CommandRun& run, const Line& line) {
  return run.Link().PrintFiscalText(line.Str(1), line.Str(2), line.SmallInt(3));
}
LinkStatus RunClientFiscalCode(CommandRun& run, const Line& line) {
  return run.Link().PrintFiscalText3010(line.Str(1), line.Str(2));
}
LinkStatus RunAltFiscalText(CommandRun& run, const Line& line) {
  return run.Link().PrintFiscalText3008(line.Str(1), line.Str(2));
}

LinkStatus RunPayment(CommandRun& run, const Line& line) {
  return run.exec.PayWithRecovery(run.ctx, line.SmallInt(2, 1), line.Hundredths(1));
}

// The flags are "0" or "1" (checked); a missing one is off.
bool FlagOn(const Line& line, std::size_t i) { return line.Int(i) != 0; }

LinkStatus RunDiscountMarkup(CommandRun& run, const Line& line) {
  TXvornLinux& link = run.Link();
  if (FlagOn(line, 2)) {
    if (LinkStatus subtotal = link.Subtotal(); !subtotal) return subtotal;
  }
  const bool discount = FlagOn(line, 1);
  if (FlagOn(line, 6)) {
    const int64_t amount = line.Hundredths(5);
    return discount ? link.DiscountValue(amount) : link.MarkupValue(amount);
  }
  const int64_t percent = line.Hundredths(4);  // hundredths of a percent
  return discount ? link.DiscountPercent(percent) : link.MarkupPercent(percent);
}

LinkStatus RunSubtotal(CommandRun& run, const Line&) { return run.Link().Subtotal(); }

LinkStatus RunChangeOperator(CommandRun& run, const Line& line) {
  SimpleItem item;
  item.department = static_cast<uint32_t>(line.Int(1));
  return run.Link().SellItemSimple(item);
}

// A paid receipt shows the customer display lines once it is closed.
LinkStatus RunCustomerDisplay(CommandRun& run, const Line& line) {
  if (!run.markers.HasPayment) return ShowDisplayLine(run, line);
  run.displayLines.push_back(line);
  return {};
}

LinkStatus RunTrailerText(CommandRun& run, const Line& line) {
  TrailerText t;
  t.font = line.Str(1);
  t.text = line.Field(2).empty() ? std::string(" ") : line.Str(2);
  t.alignment = line.SmallInt(3);
  run.trailers.push_back(std::move(t));
  return {};
}

// A fiscal receipt prints its barcodes after the close; elsewhere they print at once.
LinkStatus RunBarcode(CommandRun& run, const Line& line) {
  if (!run.fiscal) return PrintBarcodeLine(run, line);
  run.barcodeLines.push_back(line);
  return {};
}

// ---- the receipt in progress

LinkStatus RunFinalizePending(CommandRun& run, const Line&) {
  return run.Link().FinishReceiptPartialCut(0);
}
LinkStatus RunCancelReceipt(CommandRun& run, const Line&) {
  if (LinkStatus voided = run.Link().VoidReceipt(); !voided) return voided;
  return run.Link().FinishReceiptPartialCut(0);
}
LinkStatus RunReceiptState(CommandRun& run, const Line&) {
  return run.exec.ReportReceiptState(run.ctx);
}

// ---- reports and readings of a fiscal file

LinkStatus RunZReport(CommandRun& run, const Line&) { return run.Link().DailyZReport(0); }
LinkStatus RunXReport(CommandRun& run, const Line&) { return run.Link().XReport(); }
LinkStatus RunDepartmentReport(CommandRun& run, const Line&) { return run.Link().Command2103(); }

LinkStatus RunDailyTotals(CommandRun& run, const Line&) {
  return Keep(run.Link().ReadDailyTotals(), run.dailyTotals);
}

LinkStatus RunMemoryReportByNumber(CommandRun& run, const Line& line) {
  return run.Link().FiscalMemoryReportByNumbers(line.SmallInt(2), line.SmallInt(3));
}

LinkStatus RunMemoryReportByDate(CommandRun& run, const Line& line) {
  TXvornLinux& link = run.Link();
  // Without fields: the whole fiscal memory.
  if (line.Count() == 1) return link.FiscalMemoryReportByDates(3, 0, 0, 0, 0, 0, 0);
  return link.FiscalMemoryReportByDates(line.SmallInt(1), line.SmallInt(2), line.SmallInt(3),
                                        line.SmallInt(4), line.SmallInt(5), line.SmallInt(6),
                                        line.SmallInt(7));
}

LinkStatus RunReadFiscalSeries(CommandRun& run, const Line&) {
  const LinkResult<std::string> read = run.Link().ReadFiscalSeries();
  run.slots.FiscalSeries = read.value;
  return read;
}

LinkStatus RunReadTotalizer(CommandRun& run, const Line& line) {
  const int type = line.SmallInt(1);
  const LinkResult<std::string> read = run.Link().ReadTotalizer(type);
  if (!read) return read;
  run.totalizerLine = TotalizerLine(type, read.value);
  return {};
}

LinkStatus RunReadTotalizers(CommandRun& run, const Line&) { return run.Link().ReadTotalizers(); }

// ---- non-fiscal files

LinkStatus RunNonFiscalText(CommandRun& run, const Line& line) {
  return run.Link().PrintNonFiscalText(line.Str(1), line.Str(2));
}

LinkStatus RunCashInOut(CommandRun& run, const Line& line) {
  TXvornLinux& link = run.Link();
  const std::string letter = line.Str(1);
  return Keep(link.CashOperation(letter, letter == "R" ? 0 : line.Hundredths(2)), run.drawerCash);
}

LinkStatus RunDeviceInfo(CommandRun& run, const Line&) {
  return Keep(run.Link().ReadVatRates(), run.vatRates);
}

LinkStatus RunSetVatRates(CommandRun& run, const Line& line) {
  std::array<int, 6> rates{};
  for (std::size_t i = 0; i < rates.size(); ++i) rates[i] = line.SmallInt(i + 1);
  return run.Link().ProgramVatRates(rates);
}

// Two-digit group g (0-based) of a field; a missing or non-numeric group counts as 0.
int Group(std::string_view field, std::size_t g) {
  const std::size_t at = g * 2;
  if (at >= field.size()) return 0;
  return static_cast<int>(ReadIntDefView(field.substr(at, 2), 0));
}

LinkStatus RunSetDateTime(CommandRun& run, const Line& line) {
  const std::string_view date = line.Field(1);
  const std::string_view time = line.Field(2);
  return run.Link().SetDateTime(Group(date, 0), Group(date, 1), Group(date, 2), Group(time, 0),
                                Group(time, 1));
}

LinkStatus RunTypedZReport(CommandRun& run, const Line& line) {
  return run.Link().ZReportOfType(line.SmallInt(1, -1));
}
LinkStatus RunTypedXReport(CommandRun& run, const Line& line) {
  return run.Link().XReportOfType(line.SmallInt(1, -1));
}

LinkStatus RunJournalReportByDate(CommandRun& run, const Line& line) {
  return run.Link().JournalReportByDates(line.SmallInt(1), line.SmallInt(2), line.SmallInt(3),
                                         line.SmallInt(4), line.SmallInt(5), line.SmallInt(6));
}
LinkStatus RunJournalReportByDateAndReceipt(CommandRun& run, const Line& line) {
  return run.Link().JournalReportByDateAndReceipts(
      line.SmallInt(1), line.SmallInt(2), line.SmallInt(3), line.SmallInt(4), line.SmallInt(5));
}
LinkStatus RunJournalReportByZ(CommandRun& run, const Line& line) {
  return run.Link().JournalReportByZRange(line.SmallInt(1), line.SmallInt(2));
}
LinkStatus RunJournalReportFromLine(CommandRun& run, const Line& line) {
  return run.Link().JournalReportByLine(line.Int(1));
}
LinkStatus RunJournalReportByZAndReceipt(CommandRun& run, const Line& line) {
  return Keep(
      run.Link().JournalReportByZAndReceipts(line.SmallInt(1), line.SmallInt(2), line.SmallInt(3)),
      run.journalReply);
}

LinkStatus RunCommand105(CommandRun& run, const Line&) { return run.Link().Command5005(); }

LinkStatus RunBeep(CommandRun& run, const Line& line) {
  return run.Link().Beep(line.SmallInt(1), line.SmallInt(2));
}

// The export request, then the copy when field 4 asks for one. False only when
// the device refused the request.
LinkStatus RunExportXml(CommandRun& run, const Line& line) {
  TXvornLinux& link = run.Link();
  LinkStatus exported =
      link.ExportFiscalData(line.Str(1), line.Str(2), line.Str(3), line.Str(5), line.Str(6));
  if (!exported) return exported;
  const int64_t copyMode = line.Int(4);
  if (line.Count() >= 5 && (copyMode == 1 || copyMode == 2)) {
    ExportCopy request;
    request.year = line.Str(1);
    request.month = line.Str(2);
    request.type = line.Str(3);
    request.mode = static_cast<int>(copyMode);
    // The copy's outcome is not part of the answer: the export itself was accepted.
    CopyExportArchive(link, request, run.ctx.programFolder, run.slots.FiscalSeries);
  }
  return {};
}

using Run = LinkStatus (*)(CommandRun&, const Line&);

const Run kRuns[] = {
#define VORN_COMMAND(code, name, group, check, run, facts, effect) run,
#include "receipt/Commands.def"
};
static_assert(sizeof(kRuns) / sizeof(kRuns[0]) == kCommandCount, "one run per command");

}  // namespace

LinkStatus RunCommand(CommandRun& run, const CommandLine& line) {
  const CommandInfo* command = line.Command();
  return command ? kRuns[command->row](run, line) : LinkStatus{};
}

}  // namespace vorn
