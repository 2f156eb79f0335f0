// The report and service run: a file of non-fiscal commands.
#include <array>
#include <string>
#include <vector>

#include "execution/ReceiptExecutor.h"
#include "execution/RunSupport.h"
#include "execution/XmlExport.h"

namespace vorn {

using namespace exec;

namespace {

// Two-digit group g (0-based) of a field; a missing or non-numeric group counts as 0.
int Group(const std::string& field, std::size_t g) {
  std::size_t at = g * 2;
  if (at >= field.size()) return 0;
  return static_cast<int>(ReadIntDef(field.substr(at, 2), 0));
}

bool UsesNonFiscalWrapper(const ReceiptMarkers& m) {
  return !(m.Has25 || m.Has42 || m.Has76 || m.Has78 || m.Has79 || m.Has81 || m.Has82 || m.Has102 ||
           m.Has103 || m.Has105 || m.Has116 || m.Has200 || m.Has201 || m.Has416);
}

}  // namespace

bool ReceiptExecutor::ExecuteServiceFile(FileContext& ctx) {
  LinkReleaseGuard release(*this, ctx);
  if (!link_ && !OpenFileLink(ctx)) return false;
  TXvornLinux& link = *link_;
  const ReceiptMarkers& m = MarkersOf(ctx);
  AnswerSlots& slots = SlotsOf(ctx);
  const bool wrapper = UsesNonFiscalWrapper(m);
  std::string drawerCash;

  auto fail = [&]() {
    Answer(ctx, link.LastError);
    return false;
  };

  if (wrapper && !link.OpenNonFiscalReceipt()) return fail();

  for (const std::string_view view : LinesOf(ctx)) {
    const std::string line(view);
    std::vector<std::string> f = SplitFields(line, ';');
    if (f.empty()) continue;
    const std::string& code = f[0];
    bool ok = true;
    if (code == "21") {
      ok = link.PrintNonFiscalText(Field(f, 1), Field(f, 2));
    } else if (code == "16") {
      ok = link.PrintBarcode(IntFieldI(f, 1), IntFieldI(f, 2), Field(f, 4), IntFieldI(f, 3));
    } else if (code == "25") {
      const std::string& letter = Field(f, 1);
      ok = link.CashOperation(letter, letter == "R" ? 0 : Hundredths(f, 2));
      if (ok) drawerCash = link.LastReply;
    } else if (code == "200") {
      ok = link.ReadVatRates();
    } else if (code == "201") {
      std::array<int, 6> rates{};
      for (std::size_t i = 0; i < rates.size(); ++i) rates[i] = IntFieldI(f, i + 1);
      ok = link.ProgramVatRates(rates);
    } else if (code == "42") {
      const std::string& date = Field(f, 1);
      const std::string& time = Field(f, 2);
      ok = link.SetDateTime(Group(date, 0), Group(date, 1), Group(date, 2), Group(time, 0),
                            Group(time, 1));
    } else if (code == "102") {
      ok = link.ZReportOfType(IntFieldI(f, 1, -1));
    } else if (code == "103") {
      ok = link.XReportOfType(IntFieldI(f, 1, -1));
    } else if (code == "81") {
      ok = link.JournalReportByDates(IntFieldI(f, 1), IntFieldI(f, 2), IntFieldI(f, 3),
                                     IntFieldI(f, 4), IntFieldI(f, 5), IntFieldI(f, 6));
    } else if (code == "82") {
      ok = link.JournalReportByDateAndReceipts(IntFieldI(f, 1), IntFieldI(f, 2), IntFieldI(f, 3),
                                               IntFieldI(f, 4), IntFieldI(f, 5));
    } else if (code == "76") {
      ok = link.JournalReportByZRange(IntFieldI(f, 1), IntFieldI(f, 2));
    } else if (code == "78") {
      ok = link.JournalReportByLine(IntField(f, 1));
    } else if (code == "79") {
      ok = link.JournalReportByZAndReceipts(IntFieldI(f, 1), IntFieldI(f, 2), IntFieldI(f, 3));
    } else if (code == "105") {
      ok = link.Command5005();
    } else if (code == "116") {
      ok = link.Beep(IntFieldI(f, 1), IntFieldI(f, 2));
    } else if (code == "416") {
      ok = RunExportLine(link, f, ctx);
    }
    if (!ok) return fail();
  }

  slots.FiscalReceiptNumber.clear();
  slots.NonFiscalReceiptNumber.clear();
  slots.Command79Reply.clear();

  if (wrapper) {
    if (!link.CloseNonFiscalReceipt()) return fail();
    slots.NonFiscalReceiptNumber = link.ReceiptNumber;
  }
  if (m.Has25) slots.DrawerCash = drawerCash;
  if (m.Has200) slots.Command200Reply = link.VatRatesText;
  if (m.Has79) slots.Command79Reply = link.JournalReportReply;
  // A paid receipt finished during preparation is reported with this file's answer.
  if (!link.AutoFinalizedNumber.empty()) slots.AutoFinalizedReceipt = link.AutoFinalizedNumber;
  Answer(ctx, "0 OK");
  return true;
}

}  // namespace vorn
