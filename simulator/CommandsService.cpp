// Non-fiscal receipts, drawer cash, customer display, VAT rates, buzzer and
// logo upload.
#include "simulator/FiscalDevice.h"
#include "simulator/SimFields.h"

namespace vorn::sim {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

constexpr size_t kMaxLogo = 200000;

}  // namespace

Response FiscalDevice::OpenNonFiscal(const std::string&) {
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  state_.nonFiscalOpen = true;
  state_.lastNonFiscalNumber = state_.lastNonFiscalNumber % 9999 + 1;
  state_.lastDocumentNumber = state_.lastNonFiscalNumber;
  PrintReceiptHeader("BON NEFISCAL");
  return Response::Ok();
}

Response FiscalDevice::NonFiscalText(const std::string& data) {
  FieldCursor c(data);
  c.Text(1);  // font: the roll has one
  std::string text = c.LengthPrefixed(2);
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
  if (state_.receipt.stage != Stage::None) return Response::Refuse(21);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  roll_.Print(text);
  return Response::Ok();
}

Response FiscalDevice::CloseNonFiscal(const std::string&) {
  if (!state_.nonFiscalOpen) return Response::Refuse(5);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  roll_.Rule();
  roll_.PrintColumns("BON NEFISCAL NR. " + Pad0(state_.lastNonFiscalNumber, 4), DateTimeText());
  roll_.Cut();
  state_.nonFiscalOpen = false;
  return Response::Ok();
}

Response FiscalDevice::Cash(const std::string& data) {
  auto drawer = [this] {
    // Appended: a string + a temporary trips GCC 12's -Wrestrict at -O3 (bug 105651).
    std::string text(1, state_.drawerBani < 0 ? '-' : '+');
    text += Pad0(state_.drawerBani % 1000000000, 9);
    return text;
  };
  if (data == "R") return Response::Ok(drawer());
  FieldCursor c(data);
  std::string letter = c.Text(1);
  int64_t bani = c.Number(9);
  if (!c.Ok() || !c.AtEnd() || (letter != "D" && letter != "P")) return Response::Refuse(24);
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  bool deposit = letter == "D";
  if (!deposit && bani > state_.drawerBani) return RefuseExtended(136);
  if (deposit && state_.drawerBani + bani > 999999999) return RefuseExtended(141);
  PrintReceiptHeader(deposit ? "INTRODUCERE NUMERAR" : "SCOATERE NUMERAR");
  roll_.PrintColumns(deposit ? "SUMA INTRODUSA" : "SUMA SCOASA", FormatBani(bani));
  if (deposit) {
    state_.drawerBani += bani;
    ++state_.day.deposits;
    state_.day.deposited += bani;
  } else {
    state_.drawerBani -= bani;
    ++state_.day.withdrawals;
    state_.day.withdrawn += bani;
  }
  roll_.PrintColumns("NUMERAR IN SERTAR", FormatBani(state_.drawerBani));
  roll_.PrintColumns("DOCUMENT NEFISCAL", DateTimeText());
  roll_.Cut();
  return Response::Ok(drawer());
}

Response FiscalDevice::Display(const std::string& data) {
  if (state_.faults.displayMissing) return Response::Refuse(56);
  state_.display = data;
  return Response::Ok();
}

Response FiscalDevice::ReadVat(const std::string&) {
  std::string s;
  for (int rate : state_.vatRates) s += Pad0(rate, 2) + "00";
  return Response::Ok(s);
}

Response FiscalDevice::ProgramVat(const std::string& data) {
  FieldCursor c(data);
  std::array<int, 6> rates{};
  for (int& r : rates) {
    r = static_cast<int>(c.Number(2));
    c.Number(2);
  }
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (state_.day.receipts > 0) return Response::Refuse(54);  // only right after a Z report
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  state_.vatRates = rates;
  PrintReceiptHeader("PROGRAMARE COTE TVA");
  for (int g = 0; g < 6; ++g)
    roll_.PrintColumns(std::string("TVA ") + static_cast<char>('A' + g),
                       std::to_string(rates[g]) + "%");
  roll_.Cut();
  return Response::Ok();
}

Response FiscalDevice::BeepCmd(const std::string& data) {
  if (data.size() != 2 || !AllDigits(data)) return Response::Refuse(24);
  return Response::Ok();
}

Response FiscalDevice::LogoBegin(const std::string& data) {
  FieldCursor c(data);
  int64_t size = c.Number(6);
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
  if (size <= 0 || static_cast<size_t>(size) > kMaxLogo) return Response::Refuse(3);
  state_.logoOpen = true;
  state_.logoExpected = static_cast<size_t>(size);
  state_.logoPending.clear();
  return Response::Ok();
}

Response FiscalDevice::LogoChunk(const std::string& data) {
  if (!state_.logoOpen) return Response::Refuse(5);
  FieldCursor c(data);
  int64_t count = c.Number(2);
  std::string hex = c.Rest();
  if (!c.Ok() || count < 1 || count > 50 || hex.size() != static_cast<size_t>(count) * 2)
    return Response::Refuse(24);
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = HexValue(hex[i]);
    int lo = HexValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return Response::Refuse(22);
    bytes += static_cast<char>(hi * 16 + lo);
  }
  if (state_.logoPending.size() + bytes.size() > state_.logoExpected) return Response::Refuse(22);
  state_.logoPending += bytes;
  return Response::Ok();
}

Response FiscalDevice::LogoEnd(const std::string&) {
  if (!state_.logoOpen) return Response::Refuse(5);
  state_.logoOpen = false;
  if (state_.logoPending.size() != state_.logoExpected) return Response::Refuse(22);
  state_.logo = state_.logoPending;
  roll_.PrintCentred("[LOGO GRAFIC INCARCAT: " + std::to_string(state_.logo.size()) + " octeti]");
  return Response::Ok();
}

}  // namespace vorn::sim
