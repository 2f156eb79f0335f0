// Z and X reports, department, fiscal memory and journal reports.
#include <algorithm>
#include <utility>

#include "simulator/FiscalDevice.h"
#include "simulator/SimFields.h"

namespace vorn::sim {

namespace {

std::string TypedReportName(int type) {
  switch (type) {
    case 6:
      return "DEPARTAMENTE";
    case 7:
      return "COTE TVA";
    case 9:
      return "PLU";
    default:
      return "TIP " + Pad0(type, 2);
  }
}

bool ValidDate(int64_t d, int64_t m) { return d >= 1 && d <= 31 && m >= 1 && m <= 12; }

}  // namespace

void FiscalDevice::PrintTotalsReport(const std::string& title, bool reset) {
  const DayTotals& d = state_.day;
  PrintReceiptHeader(title);
  roll_.PrintColumns("BONURI FISCALE", std::to_string(d.receipts));
  roll_.PrintColumns("TOTAL ZILNIC", FormatBani(d.gross));
  for (int g = 0; g < kVatGroups; ++g) {
    if (d.net[g] == 0 && d.vat[g] == 0) continue;
    std::string letter(1, static_cast<char>('A' + g));
    roll_.PrintColumns("TOTAL NET TVA " + letter, FormatBani(d.net[g]));
    roll_.PrintColumns("TOTAL TVA " + letter, FormatBani(d.vat[g]));
  }
  roll_.PrintColumns("NUMERAR IN SERTAR", FormatBani(state_.drawerBani));
  roll_.PrintColumns("INTRODUCERI (" + std::to_string(d.deposits) + ")", FormatBani(d.deposited));
  roll_.PrintColumns("RETRAGERI (" + std::to_string(d.withdrawals) + ")", FormatBani(d.withdrawn));
  roll_.PrintColumns("BONURI ANULATE (" + std::to_string(d.voided) + ")", FormatBani(d.voidedBani));
  roll_.PrintColumns("CORECTII (" + std::to_string(d.corrections) + ")",
                     FormatBani(d.correctedBani));
  roll_.PrintColumns("DISCOUNT-URI (" + std::to_string(d.discounts) + ")",
                     FormatBani(d.discountBani));
  roll_.PrintColumns("ADAOSURI (" + std::to_string(d.markups) + ")", FormatBani(d.markupBani));
  roll_.Rule();
  if (reset) {
    ++state_.zCount;
    roll_.PrintColumns("RAPORT Z NR. " + Pad0(state_.zCount, 4), DateTimeText());
    state_.day = DayTotals{};
    state_.drawerBani = 0;
    state_.lastFiscalNumber = 0;
    state_.faults.day24h = false;
  } else {
    roll_.PrintColumns("RAPORT X", DateTimeText());
  }
  roll_.PrintCentred(state_.fiscalSeries);
  roll_.Cut();
}

Response FiscalDevice::ZDaily(const std::string& data) {
  if (!data.empty()) return Response::Refuse(24);
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(true)) return Response::Refuse(code);
  if (state_.faults.fiscalMemoryFull) return Response::Refuse(51);
  PrintTotalsReport("RAPORT FISCAL Z", true);
  return Response::Ok(Pad0(state_.zCount, 4));
}

Response FiscalDevice::XDaily(const std::string& data) {
  if (!data.empty()) return Response::Refuse(24);
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  PrintTotalsReport("RAPORT X", false);
  return Response::Ok();
}

Response FiscalDevice::ZTyped(const std::string& data) { return TypedReport(data, true); }

Response FiscalDevice::XTyped(const std::string& data) { return TypedReport(data, false); }

// Typed Z and X reports print alike; only the Z one needs the fiscal modules.
Response FiscalDevice::TypedReport(const std::string& data, bool z) {
  FieldCursor c(data);
  int type = static_cast<int>(c.Number(2));
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
  if (type > 14) return Response::Refuse(3);
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(z)) return Response::Refuse(code);
  PrintReceiptHeader(std::string(z ? "RAPORT Z " : "RAPORT X ") + TypedReportName(type));
  roll_.PrintColumns("TOTAL ZILNIC", FormatBani(state_.day.gross));
  roll_.PrintColumns("BONURI FISCALE", std::to_string(state_.day.receipts));
  roll_.Cut();
  Response r = Response::Ok(Pad0(type, 2));
  r.kind = Response::Kind::Long;
  r.busyMs = state_.reportBusyMs;
  return r;
}

Response FiscalDevice::DepartmentReport(const std::string& data) {
  if (!data.empty()) return Response::Refuse(24);
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  PrintReceiptHeader("RAPORT DEPARTAMENTE");
  roll_.PrintColumns("DEPARTAMENT 1", FormatBani(state_.day.gross));
  roll_.Cut();
  return Response::Ok();
}

Response FiscalDevice::FiscalMemoryReport(const std::string& data) {
  std::string title;
  if (currentCode_ == "5001") {
    FieldCursor c(data);
    int64_t first = c.Number(4);
    int64_t last = c.Number(4);
    if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
    if (first > last) return Response::Refuse(3);
    title = "RAPORT MF Z " + Pad0(first, 4) + "-" + Pad0(last, 4);
  } else if (currentCode_ == "5004") {
    if (!data.empty()) return Response::Refuse(24);
    title = "RAPORT MF COMPLET";
  } else {
    FieldCursor c(data);
    int64_t v[6];
    for (int64_t& x : v) x = c.Number(2);
    if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
    if (!ValidDate(v[0], v[1]) || !ValidDate(v[3], v[4])) return Response::Refuse(13);
    title = std::string(currentCode_ == "5002" ? "RAPORT MF DETALIAT " : "RAPORT MF SUMAR ") +
            Pad0(v[0], 2) + "." + Pad0(v[1], 2) + "." + Pad0(v[2], 2) + "-" + Pad0(v[3], 2) + "." +
            Pad0(v[4], 2) + "." + Pad0(v[5], 2);
  }
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  if (state_.faults.fiscalMemoryMissing) return Response::Refuse(50);
  return PrintReport(title, {{"RAPOARTE Z IN MF", std::to_string(state_.zCount)},
                             {"TOTAL GENERAL", FormatBani(state_.grandTotal)}});
}

Response FiscalDevice::StopReport(const std::string&) { return Response::Ok(); }

Response FiscalDevice::PrintReport(const std::string& title, ReportBody body) {
  PrintReceiptHeader(title);
  if (state_.slowReportMs <= 0) {
    PrintReportBody(body);
    return Response::Ok();
  }
  pendingReport_ = std::move(body);
  Response r = Response::Ok();
  r.kind = Response::Kind::Long;
  r.busyMs = state_.slowReportMs;
  return r;
}

void FiscalDevice::PrintReportBody(const ReportBody& body) {
  for (const auto& [left, right] : body) roll_.PrintColumns(left, right);
  roll_.Cut();
}

void FiscalDevice::InterruptLongReport() {
  if (auto interrupt = std::exchange(reportInterrupt_, nullptr)) interrupt();
}

void FiscalDevice::EndLongReport(bool interrupted) {
  reportInterrupt_ = nullptr;
  if (!pendingReport_) return;
  const size_t before = roll_.LinesPrinted();
  if (interrupted) {
    roll_.Print("RAPORT INTRERUPT");
    roll_.Cut();
  } else {
    PrintReportBody(*pendingReport_);
  }
  pendingReport_.reset();
  const auto printed = static_cast<int64_t>(roll_.LinesPrinted() - before);
  state_.journalFreeLines = std::max<int64_t>(0, state_.journalFreeLines - printed);
}

Response FiscalDevice::JournalReport(const std::string& data) {
  static const std::map<std::string, size_t> kWidths = {
      {"8001", 12}, {"8002", 14}, {"8003", 8}, {"8004", 9}};
  if (data.size() != kWidths.at(currentCode_) || !AllDigits(data)) return Response::Refuse(24);
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  if (state_.faults.journalMissing) return Response::Refuse(33);
  return PrintReport("RAPORT JURNAL ELECTRONIC",
                     {{"CRITERIU " + currentCode_, data},
                      {"LINII JE LIBERE", std::to_string(state_.journalFreeLines)}});
}

Response FiscalDevice::Journal8006(const std::string& data) {
  if (data.size() != 12 || !AllDigits(data)) return Response::Refuse(24);
  if (data == "000000000000") {
    // Capacity, used lines, Z count, free lines: nine digits each.
    int64_t capacity = 1000000;
    int64_t free = state_.journalFreeLines;
    int64_t used = capacity > free ? capacity - free : 0;
    return Response::Ok(Pad0(capacity, 9) + Pad0(used, 9) + Pad0(state_.zCount, 9) + Pad0(free, 9));
  }
  if (state_.receipt.stage != Stage::None || state_.nonFiscalOpen) return Response::Refuse(21);
  if (int code = PrintingBlocked(false)) return Response::Refuse(code);
  if (state_.faults.journalMissing) return Response::Refuse(33);
  std::string z = data.substr(0, 4), first = data.substr(4, 4), last = data.substr(8, 4);
  PrintReceiptHeader("RAPORT JE Z " + z);
  roll_.PrintColumns("BONURI", first + "-" + last);
  roll_.Cut();
  return Response::Ok(z + first + last + Pad0(state_.zCount, 4));
}

}  // namespace vorn::sim
