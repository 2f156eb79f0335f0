// Sales, payments, discounts and the value lines of a fiscal receipt.
#include "receipt/CommandTable.h"
#include "receipt/LineChecks.h"

namespace vorn {

namespace {
const char kCount[] = "Comada nu contine numarul asteptat de date : ";
const char kVat[] = "Codul cotei de TVA este eronata : ";
const char kPrice[] = "Pret eronat : ";

// The line just above, empty lines included, is a return sale line.
bool FollowsReturnSale(const LineContext& c) {
  if (c.index == 0) return false;
  LineFields above;
  SplitFieldsView(c.lines[c.index - 1], ';', above);
  const CommandInfo* command = FindCommand(above[0]);
  return above.count >= 9 && command && command->Is(SaleLine) && above[8] == "-";
}

bool CheckValueLine(const LineContext& c, std::string& error) {
  if (c.Count() < 3) return Fail(error, "8007", kCount, c);
  if (!IsAmount(c, 1)) return Fail(error, "8011", kPrice, c);
  if (!c.Numeric(2) || !InRange(c.Int(2), 0, 8)) return Fail(error, "8010", kVat, c);
  return true;
}
}  // namespace

bool CheckSale(const LineContext& c, std::string& error) {
  if (c.Count() < 7) return Fail(error, "8007", kCount, c);
  if (c.Field(1).empty()) return Fail(error, "8008", "Lipseste denumire articol : ", c);
  if (c.Field(2).empty()) return Fail(error, "8049", "Lipseste unitate de masura articol : ", c);
  if (!c.Numeric(3) || !InRange(c.Int(3), 0, 999)) {
    return Fail(error, "8009", "Codul departamentului este eronat : ", c);
  }
  if (!c.Numeric(4) || !InRange(c.Int(4), 0, 8)) return Fail(error, "8010", kVat, c);
  if (!IsAmount(c, 5)) return Fail(error, "8011", kPrice, c);
  if (!IsWholeNumber(c, 6)) return Fail(error, "8012", "Cantitate eronata : ", c);
  const int64_t quantity = c.Int(6);
  // Whole units below 10000; a negative quantity passes.
  if (quantity / 100000 >= 10000) {
    return Fail(error, "8012", "Cantitate eronata. Valori admise 1..9999.99999 : ", c);
  }
  int64_t denominator = 1;
  if (c.Count() > 7 && !c.Field(7).empty()) {
    denominator = c.Int(7);
    if (!InRange(denominator, 1, 9999)) {
      return Fail(error, "8050", "Numitor cantitate eronata. Valori admise 1..9999 : ", c);
    }
  }
  c.ledger.Record(c.Field(1), c.Field(4), quantity, denominator,
                  c.Count() > 8 && c.Field(8) == "-");
  return true;
}

bool CheckPayment(const LineContext& c, std::string& error) {
  if (c.Count() < 3) return Fail(error, "8007", kCount, c);
  if (!IsAmount(c, 1)) return Fail(error, "8013", "Suma mod plata eronata : ", c);
  const int64_t code = c.Int(2);
  if (!c.Numeric(2) || !InRange(code, 1, 30) || code == 2) {
    return Fail(error, "8014", "Cod mod de plata eronat  : ", c);
  }
  return true;
}

bool CheckDiscountMarkup(const LineContext& c, std::string& error) {
  if (c.Count() < 5) return Fail(error, "8007", kCount, c);
  const std::string_view type = c.Field(1);
  if (type != "0" && type != "1") {
    return Fail(error, "8015", "Tip functie adaos/discount eronata : ", c);
  }
  const std::string_view mode = c.Field(2);
  if (mode != "0" && mode != "1") {
    return Fail(error, "8016", "Mod aplicare adaos/discount eronat: ", c);
  }
  if (mode == "0" && FollowsReturnSale(c)) {
    return Fail(error, "8044", "Nu se poate aplica discount la o linie storno: ", c);
  }
  if (c.Field(3) != "1") {
    return Fail(error, "8017", "Mod alegere valoare adaos/discount eronat: ", c);
  }
  if (!InRange(c.Int(4), 0, 10000)) {
    return Fail(error, "8018", "Procent adaos/discount eronat : ", c);
  }
  if (c.Count() > 5 && !IsAmount(c, 5)) {
    return Fail(error, "8019", "Valoare adaos/discount eronata: ", c);
  }
  if (c.Count() > 6 && c.Field(6) != "0" && c.Field(6) != "1") {
    return Fail(error, "8015", "Tip adaos/discount eronat: ", c);
  }
  return true;
}

bool CheckAdvanceReversal(const LineContext& c, std::string& error) {
  return CheckValueLine(c, error);
}

bool CheckReturnablePackaging(const LineContext& c, std::string& error) {
  return CheckValueLine(c, error);
}

}  // namespace vorn
