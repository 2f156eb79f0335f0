// Commands that must stand alone or first: reports, totals, operator.
#include "receipt/LineChecks.h"

namespace vorn {

namespace {
const char kCount[] = "Comada nu contine numarul asteptat de date : ";
const char kDaily[] = "Comanda de raport zilnic nu poate fi insotita de alte comenzi";
const char kMemory[] = "Comanda de raport MF nu poate fi insotita de alte comenzi";
const char kTotalizer[] = "Comanda de citire totalizator nu poate fi insotita de alte comenzi";
const char kFirstDate[] = "Data de inceput raport MF este eronata : ";
const char kLastDate[] = "Data de sfarsit raport MF este eronata : ";

// Count exactly 1, then (when `firstMessage` is given) the first-line step.
bool CheckSingle(const LineContext& c, const char* firstCode, const char* firstMessage,
                 std::string& error) {
  if (c.Count() != 1) return Fail(error, "8007", kCount, c);
  if (firstMessage && !c.IsFirst()) return Fail(error, firstCode, firstMessage, c);
  return true;
}

// Day, month and year since 2000 in fields i, i+1, i+2. Parts that cannot be
// a date at all (negative, past 16 bits) are simply not a valid date.
bool IsDateFields(const LineContext& c, std::size_t i) {
  // A part that is not a whole number would read as 0, and a year of 0 is 2000.
  if (!IsWholeNumber(c, i) || !IsWholeNumber(c, i + 1) || !IsWholeNumber(c, i + 2)) return false;
  const int64_t day = c.Int(i), month = c.Int(i + 1), year = c.Int(i + 2);
  if (!InRange(year, -2000, 9999 - 2000)) return false;
  return IsCalendarDate(2000 + year, month, day);
}

bool InReceiptRange(const LineContext& c, std::size_t i) { return InRange(c.Int(i), 1, 9999); }

// Count, then the first-line step of the journal reports and the buzzer.
bool CheckJournalHead(const LineContext& c, std::size_t count, std::string& error) {
  if (c.Count() != count) return Fail(error, "8007", kCount, c);
  if (!c.IsFirst()) return Fail(error, "8027", kMemory, c);
  return true;
}
}  // namespace

bool CheckFinalizePending(const LineContext& c, std::string& error) {
  return CheckSingle(c, "8027", "Comanda de finalizare bon nu poate fi insotita de alte comenzi",
                     error);
}
bool CheckSubtotal(const LineContext& c, std::string& error) {
  return CheckSingle(c, nullptr, nullptr, error);
}
bool CheckCancelReceipt(const LineContext& c, std::string& error) {
  return CheckSingle(c, "8027", kDaily, error);
}
bool CheckZReport(const LineContext& c, std::string& error) {
  return CheckSingle(c, "8027", kDaily, error);
}
bool CheckDailyTotals(const LineContext& c, std::string& error) {
  return CheckSingle(c, "8027", kDaily, error);
}
bool CheckNonFiscalReceipt(const LineContext& c, std::string& error) {
  return CheckSingle(c, nullptr, nullptr, error);
}
bool CheckReadFiscalSeries(const LineContext& c, std::string& error) {
  return CheckSingle(c, "8038",
                     "Comanda de citire serie fiscala nu poate fi insotita de alte comenzi", error);
}
bool CheckXReport(const LineContext& c, std::string& error) {
  return CheckSingle(c, "8027", kDaily, error);
}
bool CheckDepartmentReport(const LineContext& c, std::string& error) {
  return CheckSingle(
      c, "8027", "Comanda de raport pe departamenter nu poate fi insotita de alte comenzi", error);
}

bool CheckChangeOperator(const LineContext& c, std::string& error) {
  if (c.Count() < 2) return Fail(error, "8007", kCount, c);
  if (!IsWholeNumber(c, 1)) return Fail(error, "8046", "Cod operator nenumeric: ", c);
  if (!c.IsFirst()) {
    return Fail(error, "8046",
                "Comanda de schimbare operator trebuie sa se afle pe prima linie a bonului: ", c);
  }
  return true;
}

bool CheckReadTotalizer(const LineContext& c, std::string& error) {
  if (c.Count() < 2) return Fail(error, "8007", kCount, c);
  if (!c.IsFirst()) return Fail(error, "8038", kTotalizer, c);
  if (!c.Numeric(1) || !InRange(c.Int(1), 0, 32)) {
    return Fail(error, "8041", "Tipul de totalizator este eronat : ", c);
  }
  return true;
}

bool CheckReadTotalizers(const LineContext& c, std::string& error) {
  if (!c.IsFirst()) return Fail(error, "8045", kTotalizer, c);
  return true;
}

bool CheckMemoryReportByNumber(const LineContext& c, std::string& error) {
  if (c.Count() != 4) return Fail(error, "8007", kCount, c);
  if (!c.IsFirst()) return Fail(error, "8027", kMemory, c);
  if (!c.Numeric(1) || !InRange(c.Int(1), 1, 2)) {
    return Fail(error, "8034", "Tip raport MF eronat (valori corecte 1 sau 2) : ", c);
  }
  if (!IsWholeNumber(c, 2)) return Fail(error, "8037", "Numar inceput raport MF eronat : ", c);
  if (!IsWholeNumber(c, 3)) return Fail(error, "8037", "Numar sfarsit raport MF eronat : ", c);
  return true;
}

bool CheckMemoryReportByDate(const LineContext& c, std::string& error) {
  if (c.Count() == 1) return true;
  if (c.Count() != 8) return Fail(error, "8007", kCount, c);
  if (!c.IsFirst()) return Fail(error, "8027", kMemory, c);
  if (!c.Numeric(1) || !InRange(c.Int(1), 1, 2)) {
    return Fail(error, "8034", "Tip raport MF eronat (valori corecte 1 sau 2) : ", c);
  }
  if (!IsDateFields(c, 2)) return Fail(error, "8035", kFirstDate, c);
  if (!IsDateFields(c, 5)) return Fail(error, "8036", kLastDate, c);
  return true;
}

bool CheckJournalReportByZ(const LineContext& c, std::string& error) {
  if (!CheckJournalHead(c, 3, error)) return false;
  if (!InReceiptRange(c, 1)) {
    return Fail(error, "8035", "Numar Z inceput raport eronat. Valori admise 1..9999 : ", c);
  }
  if (!InReceiptRange(c, 2)) {
    return Fail(error, "8036", "Numar Z sfarsit raport eronat. Valori admise 1..9999 : ", c);
  }
  return true;
}

bool CheckJournalReportFromLine(const LineContext& c, std::string& error) {
  if (!CheckJournalHead(c, 2, error)) return false;
  if (!InRange(c.Int(1), 1, 999999999)) {
    return Fail(error, "8035", "Numar linie eronata. Valori admise 1..999999999 : ", c);
  }
  return true;
}

bool CheckJournalReportByZAndReceipt(const LineContext& c, std::string& error) {
  if (!CheckJournalHead(c, 4, error)) return false;
  if (!InReceiptRange(c, 1)) {
    return Fail(error, "8035", "Numar Z inceput raport eronat. Valori admise 1..9999 : ", c);
  }
  if (!InReceiptRange(c, 2)) {
    return Fail(error, "8036",
                "Numar bon inceput sfarsit raport eronat. Valori admise 1..9999 : ", c);
  }
  if (!InReceiptRange(c, 3)) {
    return Fail(error, "8036", "Numar bon sfarsit eronat. Valori admise 1..9999 : ", c);
  }
  return true;
}

bool CheckJournalReportByDate(const LineContext& c, std::string& error) {
  if (!CheckJournalHead(c, 7, error)) return false;
  if (!IsDateFields(c, 1)) return Fail(error, "8035", kFirstDate, c);
  if (!IsDateFields(c, 4)) return Fail(error, "8036", kLastDate, c);
  return true;
}

bool CheckJournalReportByDateAndReceipt(const LineContext& c, std::string& error) {
  if (!CheckJournalHead(c, 6, error)) return false;
  if (!IsDateFields(c, 1)) return Fail(error, "8035", kFirstDate, c);
  if (!InReceiptRange(c, 4)) {
    return Fail(error, "8035", "Numar bon inceput raport eronat. Valori admise 1..9999 : ", c);
  }
  if (!InReceiptRange(c, 5)) {
    return Fail(error, "8036", "Numar bon sfarsit raport eronat. Valori admise 1..9999 : ", c);
  }
  return true;
}

bool CheckBeep(const LineContext& c, std::string& error) {
  if (!CheckJournalHead(c, 3, error)) return false;
  if (!InRange(c.Int(1), 1, 9)) {
    return Fail(error, "8035", "Numar de beep-uri eronat. Valori admise 1..9 : ", c);
  }
  if (!InRange(c.Int(2, -1), 0, 6)) {
    return Fail(error, "8035", "Valoare TON eronat. Valori admise 0..6 : ", c);
  }
  return true;
}

bool CheckTypedReport(const LineContext& c, std::string& error) {
  if (c.Count() < 2) return Fail(error, "8007", kCount, c);
  if (!InRange(c.Int(1, -1), 0, 14)) {
    return Fail(error, "8051", "Parametrul TIP RAPORT este eronat. Valori admise: 1..14 ", c);
  }
  return true;
}

}  // namespace vorn
