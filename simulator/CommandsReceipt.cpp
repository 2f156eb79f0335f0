// Fiscal receipt commands: sales, adjustments, subtotal, payments, close,
// finish, void, receipt texts and barcodes.
#include <cmath>

#include "simulator/FiscalDevice.h"
#include "simulator/SimFields.h"

namespace vorn::sim {

namespace {

const char* const kFormNames[] = {
    "", "CARD", "CEC", "NUMERAR", "TICHET MASA", "BON VALORIC", "DEBIT CARD", "TICHET CADOU"};
constexpr int kCashForm = 3;

std::string QuantityText(int64_t q) {
  std::string t = std::to_string(q / 100000);
  int64_t frac = q % 100000;
  if (frac == 0) return t;
  std::string f = Pad0(frac, 5);
  while (!f.empty() && f.back() == '0') f.pop_back();
  return t + "." + f;
}

char GroupLetter(int vat) { return static_cast<char>('A' + (vat >= 1 && vat <= 8 ? vat - 1 : 0)); }

bool ValidFont(const std::string& font) {
  if (font.size() != 1) return false;
  char c = font[0];
  return (c >= '1' && c <= '6') || (c >= 'A' && c <= 'D');
}

}  // namespace

Response FiscalDevice::Sale(const std::string& data) {
  FieldCursor c(data);
  SaleLine line;
  line.department = static_cast<int>(c.Number(3));
  line.priceBani = c.Number(9);
  line.vat = static_cast<int>(c.Number(2));
  line.name = c.LengthPrefixed(2);
  line.unit = c.LengthPrefixed(2);
  line.quantity = c.Number(9);
  line.denominator = c.Number(4);
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
  if (line.vat < 1 || line.vat > kVatGroups || line.denominator < 1) return Response::Refuse(3);
  if (line.quantity == 0) return RefuseExtended(138);
  line.storno = currentCode_ == "33024";

  if (state_.faults.day24h) return Response::Refuse(61);
  if (int code = PrintingBlocked(true)) return Response::Refuse(code);
  Stage st = state_.receipt.stage;
  if (st == Stage::PartPaid || st == Stage::Paid) return Response::Refuse(5);
  if (int code = OpenReceiptIfNeeded()) return Response::Refuse(code);

  long double value = static_cast<long double>(line.priceBani) * line.quantity / 100000.0L /
                      static_cast<long double>(line.denominator);
  line.valueBani = std::llround(value);
  if (line.valueBani > 999999999) return Response::Refuse(9);
  if (line.storno) line.valueBani = -line.valueBani;

  FiscalReceipt& r = state_.receipt;
  if (r.Total() + line.valueBani > 999999999) return Response::Refuse(9);
  r.lines.push_back(line);
  r.stage = Stage::Sales;
  roll_.Print(line.name);
  size_t unitAt = line.unit.find_first_not_of(' ');
  std::string unit = unitAt == std::string::npos ? "" : line.unit.substr(unitAt);
  std::string detail =
      "  " + QuantityText(line.quantity) + " " + unit + " x " + FormatBani(line.priceBani);
  if (line.denominator > 1) detail += " / " + std::to_string(line.denominator);
  roll_.PrintColumns(detail, FormatBani(line.valueBani) + " " + GroupLetter(line.vat));
  if (line.storno) roll_.Print("  STORNO");
  return Response::Ok();
}

Response FiscalDevice::StornoSale(const std::string& data) { return Sale(data); }

Response FiscalDevice::ChangeOperator(const std::string& data) {
  FieldCursor c(data);
  c.Number(9);
  int dept = static_cast<int>(c.Number(3));
  if (!c.Ok()) return Response::Refuse(24);
  state_.operatorCode = dept;
  return Response::Ok();
}

Response FiscalDevice::Adjust(const std::string& data, bool discount, bool percent) {
  FieldCursor c(data);
  c.Number(3);
  int64_t amount = c.Number(9);
  c.Text(4);
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
  if (state_.faults.day24h) return Response::Refuse(61);
  if (int code = PrintingBlocked(true)) return Response::Refuse(code);
  FiscalReceipt& r = state_.receipt;
  bool onSubtotal = r.stage == Stage::Subtotal;
  if (!r.HasSales() || (r.stage != Stage::Sales && !onSubtotal)) return Response::Refuse(5);
  if (percent && discount && amount > 10000) return RefuseExtended(121);

  int64_t base = onSubtotal ? r.Total() : r.lines.back().valueBani + r.lines.back().adjustBani;
  int64_t delta =
      percent ? std::llround(static_cast<long double>(base) * amount / 10000.0L) : amount;
  if (discount) delta = -delta;
  if (discount && base + delta < 0) return Response::Refuse(23);
  if (r.Total() + delta > 999999999) return Response::Refuse(9);
  if (onSubtotal) {
    r.receiptAdjust += delta;
    r.stage = Stage::Adjusted;
  } else {
    r.lines.back().adjustBani += delta;
  }
  std::string label = discount ? "DISCOUNT" : "ADAOS";
  if (percent) label += " " + FormatBani(amount) + "%";
  roll_.PrintColumns(label, FormatBani(delta));
  if (discount) {
    ++r.discounts;
    r.discountBani += -delta;
  } else {
    ++r.markups;
    r.markupBani += delta;
  }
  return Response::Ok();
}

Response FiscalDevice::Subtotal(const std::string&) {
  FiscalReceipt& r = state_.receipt;
  if (state_.faults.day24h) return Response::Refuse(61);
  if (int code = PrintingBlocked(true)) return Response::Refuse(code);
  if (!r.HasSales() || r.stage == Stage::Closed) return Response::Refuse(5);
  roll_.PrintColumns("SUBTOTAL", FormatBani(r.Total()));
  if (r.stage == Stage::Sales || r.stage == Stage::Adjusted) r.stage = Stage::Subtotal;
  return Response::Ok(Pad0(r.Total(), 9));
}

Response FiscalDevice::Pay(const std::string& data) {
  FieldCursor c(data);
  int deviceForm = static_cast<int>(c.Number(2));
  c.Text(2);
  c.LengthPrefixed(2);  // payment text: printed by the device's own form name
  int64_t bani = c.Number(9);
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
  if (state_.faults.day24h) return Response::Refuse(61);
  if (int code = PrintingBlocked(true)) return Response::Refuse(code);
  FiscalReceipt& r = state_.receipt;
  if (!r.HasSales() || r.stage == Stage::Closed || r.stage == Stage::None)
    return Response::Refuse(5);
  if (deviceForm < 1 || deviceForm > 7) return RefuseExtended(137);
  if (state_.faults.unprogrammedForms.count(deviceForm)) return RefuseExtended(144);
  int64_t total = r.Total();
  if (total < 0) return Response::Refuse(23);
  int64_t rest = total - r.Paid();
  if (rest <= 0) return Response::Ok("-" + Pad0(-rest, 9));
  if (bani > rest && deviceForm != kCashForm) return Response::Refuse(5);
  if (bani > 0) r.payments.push_back({deviceForm, bani});
  rest = total - r.Paid();
  if (rest > 0) {
    r.stage = Stage::PartPaid;
    return Response::Ok("+" + Pad0(rest, 9));
  }
  r.stage = Stage::Paid;
  return Response::Ok("-" + Pad0(-rest, 9));
}

void FiscalDevice::BookReceipt() {
  FiscalReceipt& r = state_.receipt;
  int64_t total = r.Total();
  roll_.Rule();
  roll_.PrintColumns("TOTAL", FormatBani(total));
  for (const Payment& p : r.payments) roll_.PrintColumns(kFormNames[p.form], FormatBani(p.bani));
  int64_t change = r.Paid() - total;
  if (change > 0) roll_.PrintColumns("REST", FormatBani(change));

  // Spread the subtotal adjustments over the groups in proportion.
  std::array<int64_t, kVatGroups> gross{};
  int64_t linesTotal = 0;
  for (const SaleLine& l : r.lines) {
    gross[l.vat - 1] += l.valueBani + l.adjustBani;
    linesTotal += l.valueBani + l.adjustBani;
  }
  if (r.receiptAdjust != 0 && linesTotal != 0) {
    int64_t left = r.receiptAdjust;
    int last = -1;
    for (int g = 0; g < kVatGroups; ++g) {
      if (gross[g] == 0) continue;
      int64_t share =
          std::llround(static_cast<long double>(r.receiptAdjust) * gross[g] / linesTotal);
      gross[g] += share;
      left -= share;
      last = g;
    }
    if (last >= 0) gross[last] += left;
  }
  for (int g = 0; g < kVatGroups; ++g) {
    if (gross[g] == 0) continue;
    int rate = g < 6 ? state_.vatRates[g] : 0;
    int64_t tax = std::llround(static_cast<long double>(gross[g]) * rate / (100 + rate));
    roll_.PrintColumns(std::string("TVA ") + GroupLetter(g + 1) + " " + std::to_string(rate) + "%",
                       FormatBani(tax));
    state_.day.net[g] += gross[g] - tax;
    state_.day.vat[g] += tax;
  }
  int64_t cash = 0;
  for (const Payment& p : r.payments)
    if (p.form == kCashForm) cash += p.bani;
  state_.drawerBani += cash - (change > 0 ? change : 0);
  DayTotals& day = state_.day;
  for (const SaleLine& l : r.lines) {
    if (!l.storno) continue;
    ++day.corrections;
    day.correctedBani += -l.valueBani;
  }
  day.discounts += r.discounts;
  day.discountBani += r.discountBani;
  day.markups += r.markups;
  day.markupBani += r.markupBani;
  day.gross += total;
  ++day.receipts;
  state_.grandTotal += total;
  r.stage = Stage::Closed;
}

void FiscalDevice::CompleteReceipt(bool voided) {
  FiscalReceipt& r = state_.receipt;
  if (voided) {
    roll_.Rule();
    roll_.PrintCentred("*** BON ANULAT ***");
    roll_.PrintColumns("TOTAL ANULAT", FormatBani(r.Total()));
    ++state_.day.voided;
    state_.day.voidedBani += r.Total() > 0 ? r.Total() : 0;
  }
  roll_.Rule();
  roll_.PrintColumns("BON FISCAL NR. " + Pad0(r.number, 4), DateTimeText());
  roll_.PrintColumns("OPERATOR " + std::to_string(state_.operatorCode),
                     "Z " + Pad0(state_.zCount + 1, 4));
  roll_.PrintCentred(state_.fiscalSeries);
  roll_.Cut();
  ++state_.receiptsPrinted;
  state_.lastReceiptMs = nowMs();
  int number = r.number;
  r = FiscalReceipt{};
  r.number = number;
}

Response FiscalDevice::Close(const std::string&) {
  if (state_.faults.day24h) return Response::Refuse(61);
  if (int code = PrintingBlocked(true)) return Response::Refuse(code);
  FiscalReceipt& r = state_.receipt;
  if (r.stage == Stage::None || r.stage == Stage::Closed || !r.HasSales())
    return Response::Refuse(5);
  int64_t total = r.Total();
  if (total < 0) return Response::Refuse(23);
  // As a real device: a receipt is closed only once paid in full.
  if (r.Paid() < total) return Response::Refuse(25);
  BookReceipt();
  return Response::Ok(Pad0(r.number, 4));
}

Response FiscalDevice::FinishPartial(const std::string& data) {
  int feed = (data.size() == 1 && data[0] >= '0' && data[0] <= '9') ? data[0] - '0' : 0;
  if (!data.empty() && data.size() != 1) return Response::Refuse(24);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  if (state_.faults.cutterError) return Response::Refuse(67);
  FiscalReceipt& r = state_.receipt;
  switch (r.stage) {
    case Stage::None:
      break;
    case Stage::Paid:
      BookReceipt();
      CompleteReceipt(false);
      break;
    case Stage::Closed:
      CompleteReceipt(false);
      break;
    default:
      return Response::Refuse(25);
  }
  for (int i = 0; i < feed; ++i) roll_.Print("");
  return Response::Ok();
}

Response FiscalDevice::FinishFull(const std::string& data) {
  if (!data.empty()) return Response::Refuse(24);
  return FinishPartial("0");
}

Response FiscalDevice::Void(const std::string&) {
  FiscalReceipt& r = state_.receipt;
  if (r.stage == Stage::None || r.stage == Stage::Closed) return Response::Refuse(5);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  CompleteReceipt(true);
  return Response::Ok();
}

namespace {

struct TextLine {
  std::string font;
  std::string text;
  bool ok = false;
};

TextLine ParseTextLine(const std::string& data) {
  FieldCursor c(data);
  TextLine t;
  t.font = c.Text(1);
  t.text = c.LengthPrefixed(2);
  t.ok = c.Ok() && c.AtEnd();
  return t;
}

}  // namespace

Response FiscalDevice::FiscalText(const std::string& data) {
  TextLine t = ParseTextLine(data);
  if (!t.ok) return Response::Refuse(24);
  if (!ValidFont(t.font)) return Response::Refuse(3);
  if (t.text.find("TOTAL") != std::string::npos) return Response::Refuse(7);
  if (state_.faults.day24h) return Response::Refuse(61);
  if (int code = PrintingBlocked(true)) return Response::Refuse(code);
  if (state_.receipt.stage == Stage::Closed) return Response::Refuse(5);
  if (int code = OpenReceiptIfNeeded()) return Response::Refuse(code);
  roll_.Print(t.text);
  return Response::Ok();
}

Response FiscalDevice::FiscalText3008(const std::string& data) { return FiscalText(data); }

Response FiscalDevice::ClientCode3010(const std::string& data) {
  TextLine t = ParseTextLine(data);
  if (!t.ok) return Response::Refuse(24);
  if (!ValidFont(t.font)) return Response::Refuse(3);
  if (state_.faults.day24h) return Response::Refuse(61);
  if (int code = PrintingBlocked(true)) return Response::Refuse(code);
  if (state_.receipt.stage == Stage::Closed) return Response::Refuse(5);
  if (int code = OpenReceiptIfNeeded()) return Response::Refuse(code);
  roll_.Print("CIF CLIENT: " + t.text);
  return Response::Ok();
}

Response FiscalDevice::Trailer3012(const std::string& data) {
  TextLine t = ParseTextLine(data);
  if (!t.ok) return Response::Refuse(24);
  if (!ValidFont(t.font)) return Response::Refuse(3);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  Stage st = state_.receipt.stage;
  if (st != Stage::Paid && st != Stage::Closed) return Response::Refuse(5);
  roll_.Print(t.text);
  return Response::Ok();
}

Response FiscalDevice::Barcode(const std::string& data) {
  // Type (2), digits flag (1), height (unpadded), data length (3), data: the
  // height's width is whatever makes the declared length fit.
  for (size_t h = 1; h <= 4 && 3 + h + 3 <= data.size(); ++h) {
    std::string lenText = data.substr(3 + h, 3);
    if (!AllDigits(lenText) || !AllDigits(data.substr(0, 3 + h))) continue;
    size_t len = static_cast<size_t>(std::stoi(lenText));
    if (3 + h + 3 + len != data.size()) continue;
    int type = std::stoi(data.substr(0, 2));
    if (type < 1 || type > 9) return Response::Refuse(3);
    if (int code = PrintingBlocked(false)) return Response::Refuse(code);
    roll_.PrintCentred("||| ||| | || ||| | ||");
    roll_.PrintCentred("[COD BARE " + std::to_string(type) + "] " + data.substr(3 + h + 3));
    return Response::Ok();
  }
  return Response::Refuse(24);
}

}  // namespace vorn::sim
