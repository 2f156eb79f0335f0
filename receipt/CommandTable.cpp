#include "receipt/CommandTable.h"

#include <array>

#include "receipt/LineChecks.h"

namespace vorn {

namespace {

using G = CommandGroup;
using M = ReceiptMarkers;

const CommandInfo kCommands[] = {
    {"0", "FinalizePending", G::Fiscal, CheckFinalizePending, &M::Has0},
    {"1", "Sale", G::Fiscal, CheckSale, nullptr},
    {"2", "FiscalText", G::Fiscal, CheckFiscalText, nullptr},
    {"3", "PaymentMark", G::Fiscal, nullptr, nullptr},
    {"5", "Payment", G::Fiscal, CheckPayment, nullptr},
    {"7", "DiscountMarkup", G::Fiscal, CheckDiscountMarkup, nullptr},
    {"8", "Subtotal", G::Fiscal, CheckSubtotal, nullptr},
    {"10", "CustomerDisplay", G::Fiscal, CheckCustomerDisplay, &M::Has10},
    {"11", "ClientFiscalCode", G::Fiscal, CheckClientFiscalCode, nullptr},
    {"111", "AltFiscalText", G::Fiscal, CheckAltFiscalText, nullptr},
    {"12", "TrailerText", G::Fiscal, CheckTrailerText, nullptr},
    {"14", "CancelReceipt", G::Fiscal, CheckCancelReceipt, &M::Has14},
    {"15", "ZReport", G::Fiscal, CheckZReport, &M::Has15},
    {"16", "Barcode", G::None, CheckBarcode, nullptr},
    {"17", "DailyTotals", G::Fiscal, CheckDailyTotals, &M::Has17},
    {"18", "MemoryReportByNumber", G::Fiscal, CheckMemoryReportByNumber, &M::Has18or19},
    {"19", "MemoryReportByDate", G::Fiscal, CheckMemoryReportByDate, &M::Has18or19},
    {"20", "NonFiscalReceipt", G::NonFiscal, CheckNonFiscalReceipt, nullptr},
    {"21", "NonFiscalText", G::NonFiscal, CheckNonFiscalText, nullptr},
    {"24", "ReadFiscalSeries", G::Fiscal, CheckReadFiscalSeries, &M::Has24},
    {"25", "CashInOut", G::NonFiscal, CheckCashInOut, &M::Has25},
    {"27", "ReadTotalizer", G::Fiscal, CheckReadTotalizer, &M::Has27},
    {"28", "ReadTotalizers", G::Fiscal, CheckReadTotalizers, &M::Has28},
    {"30", "XReport", G::Fiscal, CheckXReport, &M::Has30},
    {"31", "ChangeOperator", G::Fiscal, CheckChangeOperator, nullptr},
    {"32", "DepartmentReport", G::Fiscal, CheckDepartmentReport, &M::Has32},
    {"42", "SetDateTime", G::NonFiscal, CheckSetDateTime, &M::Has42},
    {"76", "JournalReportByZ", G::NonFiscal, CheckJournalReportByZ, &M::Has76},
    {"78", "JournalReportFromLine", G::NonFiscal, CheckJournalReportFromLine, &M::Has78},
    {"79", "JournalReportByZAndReceipt", G::NonFiscal, CheckJournalReportByZAndReceipt, &M::Has79},
    {"81", "JournalReportByDate", G::NonFiscal, CheckJournalReportByDate, &M::Has81},
    {"82", "JournalReportByDateAndReceipt", G::NonFiscal, CheckJournalReportByDateAndReceipt,
     &M::Has82},
    {"100", "AdvanceReversal", G::Fiscal, CheckAdvanceReversal, nullptr},
    {"101", "ReturnablePackaging", G::Fiscal, CheckReturnablePackaging, nullptr},
    {"102", "TypedReportA", G::NonFiscal, CheckTypedReport, &M::Has102},
    {"103", "TypedReportB", G::NonFiscal, CheckTypedReport, &M::Has103},
    {"105", "Command105", G::NonFiscal, nullptr, &M::Has105},
    {"116", "Beep", G::NonFiscal, CheckBeep, &M::Has116},
    {"200", "DeviceInfo", G::NonFiscal, nullptr, &M::Has200},
    {"201", "SetVatRates", G::NonFiscal, CheckSetVatRates, &M::Has201},
    {"416", "ExportXml", G::NonFiscal, CheckExportXml, &M::Has416},
    {"9999", "ReceiptState", G::Fiscal, nullptr, &M::Has9999},
};

// Every code is a number of at most four digits without a leading zero, so a
// direct index finds it without hashing.
constexpr int kIndexSize = 10000;

const std::array<const CommandInfo*, kIndexSize>& Index() {
  static const std::array<const CommandInfo*, kIndexSize> index = [] {
    std::array<const CommandInfo*, kIndexSize> a{};
    for (const CommandInfo& c : kCommands) {
      int n = 0;
      for (const char* p = c.code; *p; ++p) n = n * 10 + (*p - '0');
      a[static_cast<std::size_t>(n)] = &c;
    }
    return a;
  }();
  return index;
}

}  // namespace

const CommandInfo* FindCommand(std::string_view code) {
  if (code.empty() || code.size() > 4) return nullptr;
  if (code.size() > 1 && code[0] == '0') return nullptr;
  int n = 0;
  for (char c : code) {
    if (c < '0' || c > '9') return nullptr;
    n = n * 10 + (c - '0');
  }
  return Index()[static_cast<std::size_t>(n)];
}

void ClassifyCommand(std::string_view code, ReceiptMarkers& markers) {
  const CommandInfo* info = FindCommand(code);
  if (!info) return;
  if (info->group == CommandGroup::Fiscal) markers.HasFiscal = true;
  if (info->group == CommandGroup::NonFiscal) markers.HasNonFiscal = true;
  if (info->marker) markers.*(info->marker) = true;
  if (code == "1") markers.HasSale = true;
  if (code == "3" || code == "5") markers.HasPayment = true;
}

}  // namespace vorn
