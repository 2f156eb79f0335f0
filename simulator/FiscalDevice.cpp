#include "simulator/FiscalDevice.h"

#include <algorithm>
#include <ctime>

#include "base/Clock.h"
#include "simulator/LocalTime.h"
#include "simulator/SimFields.h"

namespace vorn::sim {

int64_t FiscalReceipt::Total() const {
  int64_t t = receiptAdjust;
  for (const SaleLine& l : lines) t += l.valueBani + l.adjustBani;
  return t;
}

int64_t FiscalReceipt::Paid() const {
  int64_t p = 0;
  for (const Payment& pay : payments) p += pay.bani;
  return p;
}

FiscalDevice::FiscalDevice() : nowMs([] { return MonotonicMs(); }) {
  RegisterStatusCommands();
  RegisterReceiptCommands();
  RegisterServiceCommands();
  RegisterReportCommands();
  RegisterExportCommands();
}

void FiscalDevice::RegisterStatusCommands() {
  Register("1013", &FiscalDevice::Model);
  Register("1209", &FiscalDevice::Status1209);
  Register("1010", &FiscalDevice::Status1010);
  Register("1211", &FiscalDevice::Status1211);
  Register("1111", &FiscalDevice::Counters1111);
  Register("1112", &FiscalDevice::ReceiptState1112);
  Register("1012", &FiscalDevice::Stage1012);
  Register("1309", &FiscalDevice::PrinterStatus1309);
  Register("1215", &FiscalDevice::Classic1215);
  Register("1015", &FiscalDevice::ExtendedError);
  Register("1001", &FiscalDevice::ReadClock);
  Register("2001", &FiscalDevice::SetClock);
  Register("1004", &FiscalDevice::DailyTotals);
  Register("1113", &FiscalDevice::Totalizer);
  Register("7008", &FiscalDevice::Totalizers);
  Register("1008", &FiscalDevice::FiscalSeries);
  Register("1514", &FiscalDevice::Verification);
}

void FiscalDevice::RegisterReceiptCommands() {
  Register("33021", &FiscalDevice::Sale);
  Register("33024", &FiscalDevice::StornoSale);
  Register("3301O", &FiscalDevice::ChangeOperator);
  Register("33022", &FiscalDevice::MarkupValue);
  Register("33023", &FiscalDevice::DiscountValue);
  Register("3302B", &FiscalDevice::MarkupPercent);
  Register("3302C", &FiscalDevice::DiscountPercent);
  Register("3003", &FiscalDevice::Subtotal);
  Register("3007", &FiscalDevice::Pay);
  Register("3011", &FiscalDevice::Close);
  Register("3014", &FiscalDevice::FinishPartial);
  Register("3015", &FiscalDevice::FinishFull);
  Register("33028", &FiscalDevice::Void);
  Register("3002", &FiscalDevice::FiscalText);
  Register("3008", &FiscalDevice::FiscalText3008);
  Register("3010", &FiscalDevice::ClientCode3010);
  Register("3012", &FiscalDevice::Trailer3012);
  Register("3023", &FiscalDevice::Barcode);
}

void FiscalDevice::RegisterServiceCommands() {
  Register("40011", &FiscalDevice::OpenNonFiscal);
  Register("4003", &FiscalDevice::NonFiscalText);
  Register("4004", &FiscalDevice::CloseNonFiscal);
  Register("7106", &FiscalDevice::Cash);
  Register("7007", &FiscalDevice::Display);
  Register("7012", &FiscalDevice::ReadVat);
  Register("7013", &FiscalDevice::ProgramVat);
  Register("3116", &FiscalDevice::BeepCmd);
  Register("9100", &FiscalDevice::LogoBegin);
  Register("9101", &FiscalDevice::LogoChunk);
  Register("9102", &FiscalDevice::LogoEnd);
}

void FiscalDevice::RegisterReportCommands() {
  Register("2002", &FiscalDevice::ZDaily);
  Register("2003", &FiscalDevice::XDaily);
  Register("2202", &FiscalDevice::ZTyped);
  Register("2203", &FiscalDevice::XTyped);
  Register("2103", &FiscalDevice::DepartmentReport);
  for (const char* c : {"5001", "5002", "5003", "5004"})
    Register(c, &FiscalDevice::FiscalMemoryReport);
  Register("5005", &FiscalDevice::StopReport);
  for (const char* c : {"8001", "8002", "8003", "8004"}) Register(c, &FiscalDevice::JournalReport);
  Register("8006", &FiscalDevice::Journal8006);
}

void FiscalDevice::RegisterExportCommands() {
  Register("6416", &FiscalDevice::ExportPrepare);
  Register("7400", &FiscalDevice::ExportBegin);
  Register("7403", &FiscalDevice::ExportBlock);
  Register("7404", &FiscalDevice::ExportFile);
  Register("7408", &FiscalDevice::ExportEnd);
}

void FiscalDevice::Register(const std::string& code, Handler h) { handlers_[code] = h; }

Response FiscalDevice::Handle(const std::string& command) {
  log_.push_back(command);
  DeviceFaults& f = state_.faults;
  if (f.refuseNext >= 0) {
    int code = f.refuseNext;
    f.refuseNext = -1;
    if (code == 99) state_.lastExtendedError = f.refuseNextExtended ? f.refuseNextExtended : 100;
    return Response::Refuse(code);
  }
  // Five-character codes first: "33021" must not be taken for a four-character one.
  for (size_t len : {size_t{5}, size_t{4}}) {
    if (command.size() < len) continue;
    auto it = handlers_.find(command.substr(0, len));
    if (it == handlers_.end()) continue;
    currentCode_ = it->first;
    size_t before = roll_.LinesPrinted();
    Response r = (this->*(it->second))(command.substr(len));
    size_t printed = roll_.LinesPrinted() - before;
    state_.journalFreeLines = std::max<int64_t>(0, state_.journalFreeLines - printed);
    return r;
  }
  return Response::Refuse(4);
}

Response FiscalDevice::RefuseExtended(int extended) {
  state_.lastExtendedError = extended;
  return Response::Refuse(99);
}

int FiscalDevice::PrintingBlocked(bool fiscal) const {
  const DeviceFaults& f = state_.faults;
  if (f.coverOpen) return 37;
  if (f.paperOut) return 16;
  if (fiscal && f.fiscalMemoryMissing) return 50;
  if (fiscal && f.journalMissing) return 33;
  if (fiscal && f.journalFull) return 30;
  return 0;
}

int FiscalDevice::OpenReceiptIfNeeded() {
  FiscalReceipt& r = state_.receipt;
  if (r.stage == Stage::Closed) return 21;
  if (r.stage != Stage::None) return 0;
  if (state_.nonFiscalOpen) return 21;
  if (state_.faults.fiscalMemoryFull) return 51;
  r = FiscalReceipt{};
  r.stage = Stage::Sales;
  state_.lastFiscalNumber = state_.lastFiscalNumber % 9999 + 1;
  r.number = state_.lastFiscalNumber;
  state_.lastDocumentNumber = r.number;
  PrintReceiptHeader("BON FISCAL");
  return 0;
}

void FiscalDevice::PrintReceiptHeader(const std::string& title) {
  roll_.Rule('=');
  roll_.PrintCentred("S.C. VORN DEMO S.R.L.");
  roll_.PrintCentred("STR. EXEMPLU NR. 1, BUCURESTI");
  roll_.PrintCentred("CIF: " + state_.fiscalCode);
  roll_.PrintCentred(title);
  roll_.Rule();
}

std::string FiscalDevice::DateTimeText() const {
  std::time_t t = std::time(nullptr) + state_.clockOffsetS;
  const std::tm tm = LocalTime(t);
  return Pad0(tm.tm_mday, 2) + "." + Pad0(tm.tm_mon + 1, 2) + "." + Pad0(tm.tm_year + 1900, 4) +
         " " + Pad0(tm.tm_hour, 2) + ":" + Pad0(tm.tm_min, 2);
}

std::string FiscalDevice::BusyStatus1010() const {
  return std::string(state_.faults.fiscalMemoryMissing ? "1" : "0") + "000000" + "010" + "0";
}

void FiscalDevice::SetReceiptInProgress(int stage, bool nonFiscal) {
  state_.receipt = FiscalReceipt{};
  state_.nonFiscalOpen = false;
  if (nonFiscal) {
    state_.nonFiscalOpen = true;
    state_.lastNonFiscalNumber = state_.lastNonFiscalNumber % 9999 + 1;
    state_.lastDocumentNumber = state_.lastNonFiscalNumber;
    PrintReceiptHeader("BON NEFISCAL");
    roll_.Print("(lasat deschis)");
    return;
  }
  if (stage < 1 || stage > 6) return;
  OpenReceiptIfNeeded();
  FiscalReceipt& r = state_.receipt;
  SaleLine line;
  line.name = "ARTICOL LASAT DESCHIS";
  line.unit = "BUC";
  line.priceBani = 1000;
  line.quantity = 100000;
  line.valueBani = 1000;
  r.lines.push_back(line);
  roll_.Print(line.name);
  roll_.PrintColumns("  1 BUC x 10.00", "10.00 A");
  if (stage >= 4) r.payments.push_back({3, stage == 4 ? 400 : 1000});
  r.stage = static_cast<Stage>(stage);
  if (stage == 6) {
    BookReceipt();
    r.stage = Stage::Closed;
  }
}

std::string FiscalDevice::StatusText() const {
  const DeviceState& s = state_;
  const DeviceFaults& f = s.faults;
  auto onoff = [](bool b) { return b ? std::string("on") : std::string("off"); };
  std::string t;
  t += "model: " + std::string(s.extendedModel ? "extended (M4)" : "classic") + "\n";
  t += "receipt: stage " + std::to_string(static_cast<int>(s.receipt.stage)) + ", number " +
       std::to_string(s.receipt.stage == Stage::None ? s.lastFiscalNumber : s.receipt.number) +
       ", total " + FormatBani(s.receipt.Total()) + ", paid " + FormatBani(s.receipt.Paid()) + "\n";
  t += "non-fiscal open: " + onoff(s.nonFiscalOpen) + "\n";
  t += "receipts printed: " + std::to_string(s.receiptsPrinted) + ", day receipts " +
       std::to_string(s.day.receipts) + ", day total " + FormatBani(s.day.gross) + "\n";
  t += "drawer: " + FormatBani(s.drawerBani) + ", Z count " + std::to_string(s.zCount) + "\n";
  t += "journal free lines: " + std::to_string(s.journalFreeLines) + "\n";
  t += "paper-out " + onoff(f.paperOut) + ", paper-near-end " + onoff(f.paperNearEnd) +
       ", cover-open " + onoff(f.coverOpen) + ", cutter-error " + onoff(f.cutterError) + "\n";
  t += "journal-full " + onoff(f.journalFull) + ", journal-near-full " + onoff(f.journalNearFull) +
       ", journal-missing " + onoff(f.journalMissing) + ", display-missing " +
       onoff(f.displayMissing) + "\n";
  t += "fm-full " + onoff(f.fiscalMemoryFull) + ", fm-missing " + onoff(f.fiscalMemoryMissing) +
       ", not-fiscalized " + onoff(f.notFiscalized) + ", 24h " + onoff(f.day24h) + "\n";
  t += "nak " + std::to_string(link.nakFrames) + ", silent " + onoff(link.silent) + ", chunk " +
       std::to_string(link.chunkSize) + ", delay " + std::to_string(link.replyDelayMs) + "\n";
  t += "frames received: " + std::to_string(frames_) + "\n";
  return t;
}

}  // namespace vorn::sim
