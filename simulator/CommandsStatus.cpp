// Status queries, counters, clock, totals and other readings.
#include <ctime>

#include "simulator/FiscalDevice.h"
#include "simulator/LocalTime.h"
#include "simulator/SimFields.h"

namespace vorn::sim {

namespace {
char Bit(bool b) { return b ? '1' : '0'; }
}  // namespace

Response FiscalDevice::Model(const std::string&) {
  return Response::Ok(std::string(state_.extendedModel ? "VORN XM4" : "VORN X200") + " " +
                      state_.fiscalCode);
}

Response FiscalDevice::Status1209(const std::string&) {
  const DeviceFaults& f = state_.faults;
  std::string s;
  s += Bit(f.coverOpen);
  s += Bit(f.paperOut);
  s += Bit(f.paperNearEnd);
  s += Bit(f.journalFull);
  s += Bit(f.journalNearFull);
  s += Bit(f.cutterError);
  return Response::Ok(s);
}

Response FiscalDevice::Status1010(const std::string&) {
  // Characters 8..10 "100": idle, nothing being printed.
  return Response::Ok(std::string(1, Bit(state_.faults.fiscalMemoryMissing)) + "000000" + "100" +
                      "0");
}

Response FiscalDevice::Status1211(const std::string&) {
  const DeviceFaults& f = state_.faults;
  std::string s = "00";
  s += Bit(!f.notFiscalized);
  s += '0';
  s += Bit(f.fiscalMemoryFull);
  return Response::Ok(s);
}

bool FiscalDevice::ExportReady() const {
  const ExportJob& e = state_.exportJob;
  return e.requested && nowMs() >= e.readyAtMs;
}

Response FiscalDevice::Counters1111(const std::string&) {
  const ExportJob& e = state_.exportJob;
  if (e.requested && !e.transferOpen) {
    // While an export is being prepared the counters read all zeros; once
    // ready they never begin with five zeros.
    if (!ExportReady()) return Response::Ok("000000");
    return Response::Ok("001" + Pad0(state_.lastDocumentNumber % 1000, 3));
  }
  std::string s;
  s += Bit(state_.receipt.stage != Stage::None);
  s += Bit(state_.nonFiscalOpen);
  s += Pad0(state_.lastDocumentNumber % 10000, 4);
  return Response::Ok(s);
}

Response FiscalDevice::ReceiptState1112(const std::string&) {
  const FiscalReceipt& r = state_.receipt;
  int number = r.stage == Stage::None ? state_.lastFiscalNumber : r.number;
  return Response::Ok(std::to_string(static_cast<int>(r.stage)) + Pad0(number % 10000, 4));
}

Response FiscalDevice::Stage1012(const std::string&) {
  return Response::Ok(std::to_string(static_cast<int>(state_.receipt.stage)));
}

Response FiscalDevice::PrinterStatus1309(const std::string&) {
  const DeviceFaults& f = state_.faults;
  std::string s = "0";
  s += Bit(f.paperOut);
  s += Bit(f.paperNearEnd);
  s += Bit(f.coverOpen);
  s += "0000";
  return Response::Ok(s);
}

Response FiscalDevice::Classic1215(const std::string&) {
  const DeviceFaults& f = state_.faults;
  std::string s(20, '0');
  s[1] = Bit(f.paperOut);
  s[2] = Bit(f.paperNearEnd);
  s[3] = Bit(!f.coverOpen);
  s[4] = Bit(f.cutterError);
  s[6] = Bit(!f.fiscalMemoryMissing);
  s[7] = Bit(!f.notFiscalized);
  s[8] = Bit(f.fiscalMemoryFull);
  s[9] = Bit(!f.journalMissing);
  s[11] = Bit(f.journalFull);
  s[12] = Bit(!f.displayMissing);
  s[13] = Bit(f.journalNearFull);
  s[14] = Bit(state_.receipt.stage != Stage::None);
  s[16] = Bit(state_.nonFiscalOpen);
  s[17] = '1';  // clock set
  return Response::Ok(s);
}

Response FiscalDevice::ExtendedError(const std::string&) {
  return Response::Ok("ERR" + Pad0(state_.lastExtendedError % 1000, 3));
}

Response FiscalDevice::ReadClock(const std::string&) {
  std::time_t t = std::time(nullptr) + state_.clockOffsetS;
  const std::tm tm = LocalTime(t);
  return Response::Ok(Pad0(tm.tm_mday, 2) + Pad0(tm.tm_mon + 1, 2) + Pad0(tm.tm_year % 100, 2) +
                      Pad0(tm.tm_hour, 2) + Pad0(tm.tm_min, 2));
}

Response FiscalDevice::SetClock(const std::string& data) {
  FieldCursor c(data);
  int day = static_cast<int>(c.Number(2));
  int month = static_cast<int>(c.Number(2));
  int year = static_cast<int>(c.Number(2));
  int hour = static_cast<int>(c.Number(2));
  int minute = static_cast<int>(c.Number(2));
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(12);
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59)
    return Response::Refuse(13);
  if (state_.receipt.stage != Stage::None) return Response::Refuse(21);
  std::tm tm{};
  tm.tm_mday = day;
  tm.tm_mon = month - 1;
  tm.tm_year = year + 100;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_isdst = -1;
  std::time_t now = std::time(nullptr);
  const std::tm cur = LocalTime(now);
  tm.tm_sec = cur.tm_sec;
  std::time_t wanted = std::mktime(&tm);
  if (wanted == static_cast<std::time_t>(-1)) return Response::Refuse(13);
  state_.clockOffsetS = static_cast<int64_t>(wanted - now);
  return Response::Ok("0");
}

std::string FiscalDevice::DailyTotalsText() const {
  // Fixed widths: a counter that outgrows its field wraps instead of
  // shifting every field after it.
  auto f = [](int64_t v, int width) {
    int64_t mod = width == 4 ? 10000 : 1000000000;
    return Pad0((v < 0 ? -v : v) % mod, width);
  };
  const DayTotals& d = state_.day;
  std::string t;
  t += f(d.receipts, 4);
  t += f(d.gross, 9);
  for (int g = 0; g < kVatGroups; ++g) {
    t += f(d.net[g], 9);
    t += f(d.vat[g], 9);
  }
  t += f(state_.drawerBani, 9);
  t += f(d.unpaid, 9);
  t += f(d.withdrawals, 4);
  t += f(d.withdrawn, 9);
  t += f(d.deposits, 4);
  t += f(d.deposited, 9);
  t += f(d.voided, 4);
  t += f(d.voidedBani, 9);
  t += f(d.corrections, 4);
  t += f(d.correctedBani, 9);
  t += f(d.discounts, 4);
  t += f(d.discountBani, 9);
  t += f(d.markups, 4);
  t += f(d.markupBani, 9);
  return t;
}

Response FiscalDevice::DailyTotals(const std::string&) { return Response::Ok(DailyTotalsText()); }

Response FiscalDevice::Totalizer(const std::string& data) {
  static constexpr int kOffsets[33] = {0,   4,   13,  22,  31,  40,  49,  58,  67,  76,  85,
                                       94,  103, 112, 121, 130, 139, 148, 157, 166, 175, 179,
                                       188, 192, 201, 205, 214, 218, 227, 231, 240, 244, 253};
  FieldCursor c(data);
  int type = static_cast<int>(c.Number(2));
  if (!c.Ok() || !c.AtEnd()) return Response::Refuse(24);
  if (type < 1 || type > 32) return Response::Refuse(3);
  std::string all = DailyTotalsText();
  return Response::Ok(all.substr(kOffsets[type - 1], kOffsets[type] - kOffsets[type - 1]));
}

Response FiscalDevice::Totalizers(const std::string&) {
  return Response::Ok(Pad0(state_.grandTotal, 12) + Pad0(state_.zCount, 4) +
                      Pad0(state_.day.gross, 12) + Pad0(state_.day.receipts, 4));
}

Response FiscalDevice::FiscalSeries(const std::string&) {
  return Response::Ok(state_.fiscalSeries);
}

Response FiscalDevice::Verification(const std::string& data) {
  if (data != "1" && data != "2" && data != "3") return Response::Refuse(3);
  std::time_t t = std::time(nullptr) + state_.clockOffsetS;
  const std::tm tm = LocalTime(t);
  std::string connection = data == "3" ? "000" : "200";
  // Appended: "1" + a temporary trips GCC 12's -Wrestrict at -O3 (bug 105651).
  std::string reply = "1";
  reply += Pad0(0, 4);
  reply += connection;
  reply += Pad0(tm.tm_mday, 2);
  reply += Pad0(tm.tm_mon + 1, 2);
  reply += Pad0(tm.tm_year + 1900, 4);
  reply += "1001";
  return Response::Ok(reply);
}

}  // namespace vorn::sim
