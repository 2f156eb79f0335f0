// Service commands: cash in and out, clock, VAT rates, XML export.
#include "receipt/LineChecks.h"

namespace vorn {

namespace {
const char kCount[] = "Comada nu contine numarul asteptat de date : ";

bool NumericIn(std::string_view text, char sep, int64_t lo, int64_t hi) {
  return IsNumericView(text, sep) && InRange(ReadIntDefView(text, 0), lo, hi);
}
}  // namespace

bool CheckCashInOut(const LineContext& c, std::string& error) {
  if (c.Count() < 2) return Fail(error, "8007", kCount, c);
  const std::string_view kind = c.Field(1);
  if (kind != "D" && kind != "P" && kind != "R") {
    return FailNoCode(error, "Tip operatie eronata. Valori admise D, P, sau R  : ", c);
  }
  if (kind == "R") return true;
  if (c.Count() < 3) return Fail(error, "8007", kCount, c);
  if (!IsAmount(c, 2)) return Fail(error, "8022", "Suma eronata : ", c);
  return true;
}

bool CheckSetDateTime(const LineContext& c, std::string& error) {
  if (c.Count() < 3) return Fail(error, "8007", kCount, c);
  const std::string_view date = c.Field(1);
  const std::string_view time = c.Field(2);
  if (date.size() != 6) return FailNoCode(error, "Parametrul DATA este eronat : ", c);
  if (time.size() != 4) return FailNoCode(error, "Parametrul ORA-MIN este eronat : ", c);
  const char sep = c.decimalSeparator;
  const std::string_view day = date.substr(0, 2), month = date.substr(2, 2),
                         year = date.substr(4, 2);
  if (!NumericIn(day, sep, 1, 31)) return FailNoCode(error, "Parametrul ZI este eronat : ", c);
  if (!NumericIn(month, sep, 1, 12)) {
    return FailNoCode(error, "Parametrul LUNA este eronat : ", c);
  }
  if (!NumericIn(year, sep, 18, 99)) return FailNoCode(error, "Parametrul AN este eronat : ", c);
  if (!IsCalendarDate(2000 + ReadIntDefView(year, 0), ReadIntDefView(month, 0),
                      ReadIntDefView(day, 0))) {
    return FailNoCode(error, "Data eronata : ", c);
  }
  if (!NumericIn(time.substr(0, 2), sep, 0, 23)) {
    return FailNoCode(error, "Parametrul ORA este eronat : ", c);
  }
  if (!NumericIn(time.substr(2, 2), sep, 0, 59)) {
    return FailNoCode(error, "Parametrul MINUTE este eronat : ", c);
  }
  return true;
}

bool CheckSetVatRates(const LineContext& c, std::string& error) {
  if (c.Count() < 7) return Fail(error, "8007", kCount, c);
  for (std::size_t i = 1; i <= 6; ++i) {
    const int64_t rate = c.Int(i, 100);
    if (!c.Numeric(i) || rate > 99 || rate < 0) {
      error = " Cota TVA eronata : Cota ";
      error.push_back(static_cast<char>('A' + (i - 1)));
      return false;
    }
  }
  return true;
}

bool CheckExportXml(const LineContext& c, std::string& error) {
  if (c.Count() < 4) return Fail(error, "8007", kCount, c);
  if (!c.Numeric(1) || c.Field(1).size() != 4) {
    return FailNoCode(error, "Parametrul AN este eronat : ", c);
  }
  if (!InRange(c.Int(2), 1, 12)) return FailNoCode(error, "Parametrul LUNA este eronat : ", c);
  if (c.Field(3) != "R" && c.Field(3) != "X") {
    return FailNoCode(error, "Parametrul TIP EXPORT este eronat. Valori admise (X sau R) : ", c);
  }
  if (c.Count() > 4 && !c.Field(4).empty() && c.Field(4) != "1" && c.Field(4) != "2") {
    return FailNoCode(error, "Parametrul EXPORT PE PC este eronat. Valori admise (1 sau 2) : ", c);
  }
  if (c.Count() == 6) return FailNoCode(error, "Lipseste NUMARUL ULTIMULUI RAPORT : ", c);
  if (c.Count() >= 7) {
    if (!c.Numeric(5)) {
      return FailNoCode(error, "Parametrul NR.INCEPUT RAPORT este nenumeric : ", c);
    }
    if (!c.Numeric(6)) {
      return FailNoCode(error, "Parametrul NR.SFARSIT RAPORT este nenumeric : ", c);
    }
    if (c.Int(6) < c.Int(5)) {
      return FailNoCode(error, "NR.INCEPUT RAPORT este mai mare decat NR.SFARSIT RAPORT : ", c);
    }
  }
  return true;
}

}  // namespace vorn
