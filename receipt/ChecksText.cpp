// Text lines, the customer display and barcodes.
#include "receipt/LineChecks.h"

namespace vorn {

namespace {
const char kCount[] = "Comada nu contine numarul asteptat de date : ";

bool CheckTextLine(const LineContext& c, std::size_t minCount, std::string& error) {
  if (c.Count() < minCount) return Fail(error, "8007", kCount, c);
  if (IsBadFontView(c.Field(1), c.decimalSeparator)) {
    return Fail(error, "8003", "Parametrul FONT eronat : ", c);
  }
  if (IsTextTooLongView(c.Field(1), c.Field(2))) {
    return Fail(error, "8004", "Lungimea textului este prea mare : ", c);
  }
  return true;
}
}  // namespace

bool CheckFiscalText(const LineContext& c, std::string& error) {
  return CheckTextLine(c, 2, error);
}
bool CheckNonFiscalText(const LineContext& c, std::string& error) {
  return CheckTextLine(c, 2, error);
}
bool CheckClientFiscalCode(const LineContext& c, std::string& error) {
  return CheckTextLine(c, 3, error);
}
bool CheckAltFiscalText(const LineContext& c, std::string& error) {
  return CheckTextLine(c, 3, error);
}
bool CheckTrailerText(const LineContext& c, std::string& error) {
  return CheckTextLine(c, 3, error);
}

bool CheckCustomerDisplay(const LineContext& c, std::string& error) {
  if (c.Count() < 2) return Fail(error, "8007", kCount, c);
  return true;
}

bool CheckBarcode(const LineContext& c, std::string& error) {
  if (c.Count() < 5) return Fail(error, "8007", kCount, c);
  if (!c.Numeric(1) || !InRange(c.Int(1), 1, 9)) {
    return Fail(error, "8032", "Tip cod bare eronat : ", c);
  }
  if (!c.Numeric(2) || !InRange(c.Int(2), 0, 2)) {
    return Fail(error, "8033",
                "Flagul privind modul de tiparire al cifrelor la codul de bare este eronat : ", c);
  }
  if (!c.Numeric(3) || !InRange(c.Int(3), 1, 9)) {
    return Fail(error, "8033",
                "Parametrul INALTIME COD BARE este eronat (valori admise 1..9) : ", c);
  }
  return true;
}

}  // namespace vorn
