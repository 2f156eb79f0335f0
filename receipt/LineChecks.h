#pragma once
// The per-command checks of the validation pass and what they share.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "receipt/Fields.h"
#include "receipt/ReturnsLedger.h"

namespace vorn {

// What a check sees of its line and of the pass.
struct LineContext {
  const LineFields& fields;
  const ReceiptLines& lines;  // the file's lines, for quoting and neighbours
  std::size_t index;          // the line's index in `lines`
  int counter;                // command lines so far, this one included
  ReturnsLedger& ledger;
  char decimalSeparator;

  std::string_view Line() const { return lines[index]; }
  std::string_view Field(std::size_t i) const { return fields[i]; }
  std::size_t Count() const { return fields.count; }
  bool IsFirst() const { return counter <= 1; }
  bool Numeric(std::size_t i) const { return IsNumericView(fields[i], decimalSeparator); }
  int64_t Int(std::size_t i, int64_t def = 0) const { return ReadIntDefView(fields[i], def); }
};

// Error text: code ";" message, then the line as read.
bool Fail(std::string& error, const char* code, const char* message, const LineContext& c);
// Message then the line, without code.
bool FailNoCode(std::string& error, const char* message, const LineContext& c);

// A field that execution reads as a whole number: numeric, and an integer
// within 64 bits (otherwise it would run as 0).
bool IsWholeNumber(const LineContext& c, std::size_t i);
// An amount in hundredths that the device's seven integer digits can carry.
bool IsAmount(const LineContext& c, std::size_t i);
constexpr int64_t kLargestAmount = 999999999;

bool InRange(int64_t v, int64_t lo, int64_t hi);
// A real day of the Gregorian calendar (years 1..9999).
bool IsCalendarDate(int64_t year, int64_t month, int64_t day);

bool CheckFinalizePending(const LineContext& c, std::string& error);
bool CheckSale(const LineContext& c, std::string& error);
bool CheckFiscalText(const LineContext& c, std::string& error);
bool CheckPayment(const LineContext& c, std::string& error);
bool CheckDiscountMarkup(const LineContext& c, std::string& error);
bool CheckSubtotal(const LineContext& c, std::string& error);
bool CheckCustomerDisplay(const LineContext& c, std::string& error);
bool CheckClientFiscalCode(const LineContext& c, std::string& error);
bool CheckAltFiscalText(const LineContext& c, std::string& error);
bool CheckTrailerText(const LineContext& c, std::string& error);
bool CheckCancelReceipt(const LineContext& c, std::string& error);
bool CheckZReport(const LineContext& c, std::string& error);
bool CheckBarcode(const LineContext& c, std::string& error);
bool CheckDailyTotals(const LineContext& c, std::string& error);
bool CheckMemoryReportByNumber(const LineContext& c, std::string& error);
bool CheckMemoryReportByDate(const LineContext& c, std::string& error);
bool CheckNonFiscalReceipt(const LineContext& c, std::string& error);
bool CheckNonFiscalText(const LineContext& c, std::string& error);
bool CheckReadFiscalSeries(const LineContext& c, std::string& error);
bool CheckCashInOut(const LineContext& c, std::string& error);
bool CheckReadTotalizer(const LineContext& c, std::string& error);
bool CheckReadTotalizers(const LineContext& c, std::string& error);
bool CheckXReport(const LineContext& c, std::string& error);
bool CheckChangeOperator(const LineContext& c, std::string& error);
bool CheckDepartmentReport(const LineContext& c, std::string& error);
bool CheckSetDateTime(const LineContext& c, std::string& error);
bool CheckJournalReportByZ(const LineContext& c, std::string& error);
bool CheckJournalReportFromLine(const LineContext& c, std::string& error);
bool CheckJournalReportByZAndReceipt(const LineContext& c, std::string& error);
bool CheckJournalReportByDate(const LineContext& c, std::string& error);
bool CheckJournalReportByDateAndReceipt(const LineContext& c, std::string& error);
bool CheckAdvanceReversal(const LineContext& c, std::string& error);
bool CheckReturnablePackaging(const LineContext& c, std::string& error);
bool CheckTypedReport(const LineContext& c, std::string& error);
bool CheckBeep(const LineContext& c, std::string& error);
bool CheckSetVatRates(const LineContext& c, std::string& error);
bool CheckExportXml(const LineContext& c, std::string& error);

}  // namespace vorn
