// The device operations: one command string per operation, built from the
// fixed-width field encodings.
#include <QTime>

#include "base/Clock.h"
#include "device/Encoding.h"
#include "device/LinkTally.h"
#include "device/TXvornLinux.h"
#include "device/TXvornLinuxImpl.h"

namespace vorn {
using namespace wire;

namespace {
constexpr int kDefault = -1;  // the default 5-second interval
constexpr int kReport = 180;

// Clears a flag of the link on every exit of an operation.
struct FlagScope {
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  bool& flag_;
};

// Font and text rules shared by the text-line operations: 0 or the failing code.
int TextRules(const std::string& font, const std::string& text) {
  if (IsBadFont(font)) return 8003;
  if (IsTextTooLong(font, text)) return 8004;
  return 0;
}

std::string D2(int v) { return Pad0(v, 2); }
}  // namespace

LinkStatus TXvornLinux::ProgramVatRates(const std::array<int, 6>& rates) {
  if (!d->open) return ErrorFor(8001);
  std::string cmd = "7013";
  for (int rate : rates) cmd += D2(rate) + "00";
  return Outcome(Exchange(cmd, kDefault, 1, "-Imprimanta : "));
}

LinkResult<std::string> TXvornLinux::Payment(int type, const std::string& text,
                                             int64_t hundredths) {
  if (type == 1)
    type = 3;
  else if (type == 3)
    type = 1;
  if (!d->open) return ErrorFor(8001);
  const std::string cmd = "3007" + D2(type) + "00" + Pad0(static_cast<int64_t>(text.size()), 2) +
                          text + Money(hundredths);
  return Outcome(Exchange(cmd, kDefault, 1, "-Imprimanta : "));
}

LinkStatus TXvornLinux::OpenNonFiscalReceipt() {
  return Send(
      "40011"
      "0"
      "000000000",
      kDefault);
}

LinkStatus TXvornLinux::PrintNonFiscalText(const std::string& font, const std::string& text) {
  if (int code = TextRules(font, text)) return ErrorFor(code);
  const std::string sent = text.empty() ? std::string(" ") : text;
  return Run("4003" + font + Pad0(static_cast<int64_t>(sent.size()), 2) + sent, 10);
}

LinkStatus TXvornLinux::CloseNonFiscalReceipt() {
  if (!d->open) return ErrorFor(8001);
  // Read for the receipt number the owner asks for after the close.
  static_cast<void>(ReadReceiptCounters());
  return Run("4004", kDefault);
}

LinkStatus TXvornLinux::ShowOnDisplay(const std::string& text) {
  if (!d->open) return ErrorFor(8001);
  std::string shown = text;
  if (size_t semi = shown.find(';'); semi != std::string::npos) shown = shown.substr(semi + 1);
  for (char& c : shown)
    if (c == '\r') c = ' ';
  if (shown.size() > 40) shown.resize(40);
  return Run("7007" + PadSpaceRight(shown, 40), kDefault);
}

LinkStatus TXvornLinux::Subtotal() { return Send("3003", kDefault); }

LinkStatus TXvornLinux::ZReportOfType(int type) {
  if (!d->open) return ErrorFor(8001);
  FlagScope poll(d->busyPollEnabled);
  LinkStatus done = Run("2202" + D2(type), kDefault);
  if (done) NoteZReport();
  return done;
}

LinkStatus TXvornLinux::XReportOfType(int type) {
  if (!d->open) return ErrorFor(8001);
  FlagScope poll(d->busyPollEnabled);
  return Run("2203" + D2(type), kDefault);
}

LinkStatus TXvornLinux::DailyZReport(int kind) {
  if (!d->open) return ErrorFor(8001);
  static const char* const kCommands[] = {"2002", "220206", "220207", "220209"};
  const char* cmd = (kind >= 0 && kind <= 3) ? kCommands[kind] : kCommands[0];
  LinkStatus done = Run(cmd, kReport);
  if (done) NoteZReport();
  return done;
}

LinkStatus TXvornLinux::XReport() { return Send("2003", kReport); }

LinkStatus TXvornLinux::Command2103() { return Send("2103", kDefault); }

LinkStatus TXvornLinux::SetDateTime(int day, int month, int year, int hour, int minute) {
  if (!d->open) return ErrorFor(8001);
  const std::string cmd = "2001" + D2(day) + D2(month) + D2(year) + D2(hour) + D2(minute);
  CommandReply sent;
  for (int send = 0; send < 3; ++send) {
    sent = Exchange(cmd, kDefault);
    if (sent.code != 0) break;
    if (sent.reply == "0") return {};
  }
  return ErrorFor(sent.code);
}

LinkResult<std::string> TXvornLinux::ReadDateTime() { return Send("1001", kDefault); }

void TXvornLinux::SyncDeviceClock() {
  // Errors inside are swallowed: they belong to no operation of the owner.
  const LinkResult<std::string> read = ReadDateTime();
  const std::string& device = read.value;
  if (read && device.size() > 9) {
    const int64_t day = ReadInt(device.substr(0, 2), -1);
    const int64_t month = ReadInt(device.substr(2, 2), -1);
    const int64_t year = ReadInt(device.substr(4, 2), -1);
    const int64_t hour = ReadInt(device.substr(6, 2), -1);
    const int64_t minute = ReadInt(device.substr(8, 2), -1);
    if (day >= 0 && month >= 0 && year >= 0 && hour >= 0 && minute >= 0) {
      const QTime now = QTime::currentTime();
      const std::string pc = now.toString("hh:mm").toStdString();
      if (pc != device.substr(6, 2) + ":" + device.substr(8, 2))
        static_cast<void>(SetDateTime(static_cast<int>(day), static_cast<int>(month),
                                      static_cast<int>(year), now.hour(), now.minute()));
    }
  }
}

LinkStatus TXvornLinux::ReadTotalizers() { return Send("7008", kDefault); }

LinkStatus TXvornLinux::Command5005() { return Send("5005", kDefault); }

LinkStatus TXvornLinux::InterruptReport() { return Run("5005", 30); }

LinkResult<std::string> TXvornLinux::CashOperation(const std::string& letter, int64_t hundredths) {
  if (!d->open) return ErrorFor(8001);
  std::string cmd = "7106" + letter;
  if (letter != "R") cmd += Money(hundredths);
  return Run(cmd, kDefault);
}

LinkResult<std::string> TXvornLinux::SendVerification(const std::string& request) {
  return Send("1514" + request, d->longTimeOut);
}

LinkStatus TXvornLinux::Beep(int count, int tone) {
  return Send("3116" + std::to_string(count) + std::to_string(tone), kDefault);
}

LinkStatus TXvornLinux::ExportFiscalData(const std::string& a, const std::string& b,
                                         const std::string& c, const std::string& dd,
                                         const std::string& e) {
  if (!d->open) return ErrorFor(8001);
  std::string cmd = "6416" + a + Pad0(b, 2) + c;
  if (!(dd.empty() && e.empty())) cmd += Pad0(dd, 4) + Pad0(e, 4);
  CommandReply sent = Exchange(cmd, kDefault);
  if (sent.code == 87) {
    static_cast<void>(EndExport());
    WaitMs(200);
    sent = Exchange(cmd, kDefault);
  }
  return Outcome(sent);
}

LinkStatus TXvornLinux::JournalReportByDates(int sd, int sm, int sy, int ed, int em, int ey) {
  if (!IsValidDate(sy, sm, sd)) return ErrorFor(8035);
  if (!IsValidDate(ey, em, ed)) return ErrorFor(8036);
  return Run("8001" + D2(sd) + D2(sm) + D2(sy) + D2(ed) + D2(em) + D2(ey), kReport);
}

LinkStatus TXvornLinux::JournalReportByDateAndReceipts(int day, int month, int year, int first,
                                                       int last) {
  if (!IsValidDate(year, month, day)) return ErrorFor(8035);
  return Run("8002" + D2(day) + D2(month) + D2(year) + Pad0(first, 4) + Pad0(last, 4), kReport);
}

LinkStatus TXvornLinux::JournalReportByZRange(int firstZ, int lastZ) {
  return Run("8003" + Pad0(firstZ, 4) + Pad0(lastZ, 4), kReport);
}

LinkStatus TXvornLinux::JournalReportByLine(int64_t line) {
  return Run("8004" + Pad0(line, 9), kReport);
}

LinkResult<std::string> TXvornLinux::JournalReportByZAndReceipts(int z, int first, int last) {
  return Run("8006" + Pad0(z, 4) + Pad0(first, 4) + Pad0(last, 4), kReport);
}

LinkStatus TXvornLinux::FiscalMemoryReportByNumbers(int first, int last) {
  return Run("5001" + Pad0(first, 4) + Pad0(last, 4), kReport);
}

LinkStatus TXvornLinux::FiscalMemoryReportByDates(int type, int sd, int sm, int sy, int ed, int em,
                                                  int ey) {
  if (type == 3) return Run("5004", kReport);
  if (type != 1 && type != 2) return ErrorFor(8034);
  if (!IsValidDate(sy, sm, sd)) return ErrorFor(8035);
  if (!IsValidDate(ey, em, ed)) return ErrorFor(8036);
  const char* code = type == 1 ? "5002" : "5003";
  return Run(code + D2(sd) + D2(sm) + D2(sy) + D2(ed) + D2(em) + D2(ey), kReport);
}

LinkStatus TXvornLinux::PrintBarcode(int type, int digitsFlag, const std::string& data,
                                     int height) {
  if (type < 1 || type > 9) return ErrorFor(8032);
  if (digitsFlag < 0 || digitsFlag > 2) return ErrorFor(8033);
  return Run("3023" + D2(type) + std::to_string(digitsFlag) + std::to_string(height) +
                 Pad0(static_cast<int64_t>(data.size()), 3) + data,
             kDefault);
}

namespace {
// Centre or right alignment of a numeric one-character font (width 32, 42 for "3").
std::string Align(const std::string& font, const std::string& text, int alignment) {
  if (font.size() != 1 || font[0] < '1' || font[0] > '6') return text;
  const int width = font[0] == '3' ? 42 : 32;
  const int length = static_cast<int>(text.size());
  if (alignment == 1) return PadSpaceLeft(text, length + (width - length) / 2);
  if (alignment == 2) return PadSpaceLeft(text, width);
  return text;
}
}  // namespace

LinkStatus TXvornLinux::PrintFiscalText(const std::string& font, const std::string& text,
                                        int alignment) {
  if (int code = TextRules(font, text)) return ErrorFor(code);
  const std::string aligned = Align(font, text, alignment);
  return Run("3002" + font + Pad0(static_cast<int64_t>(aligned.size()), 2) + aligned, kDefault);
}

LinkStatus TXvornLinux::PrintFiscalText3008(const std::string& font, const std::string& text) {
  if (int code = TextRules(font, text)) return ErrorFor(code);
  return Run("3008" + font + Pad0(static_cast<int64_t>(text.size()), 2) + text, kDefault);
}

LinkStatus TXvornLinux::PrintFiscalText3010(const std::string& font, const std::string& text) {
  if (int code = TextRules(font, text)) return ErrorFor(code);
  return Run("3010" + font + Pad0(static_cast<int64_t>(text.size()), 2) + text, kDefault);
}

LinkStatus TXvornLinux::PrintFiscalText3012(const std::string& font, const std::string& text,
                                            int alignment) {
  if (int code = TextRules(font, text)) return ErrorFor(code);
  const std::string aligned = Align(font, text, alignment);
  return Run("3012" + font + Pad0(static_cast<int64_t>(aligned.size()), 2) + aligned,
             d->longTimeOut);
}

namespace {
std::string Adjustment(const char* code, int64_t hundredths) {
  return std::string(code) + "001" + Money(hundredths) + "00" + "00";
}
}  // namespace

LinkStatus TXvornLinux::MarkupValue(int64_t hundredths) {
  return Send(Adjustment("33022", hundredths), kDefault);
}
LinkStatus TXvornLinux::DiscountValue(int64_t hundredths) {
  return Send(Adjustment("33023", hundredths), kDefault);
}
LinkStatus TXvornLinux::MarkupPercent(int64_t hundredths) {
  return Send(Adjustment("3302B", hundredths), kDefault);
}
LinkStatus TXvornLinux::DiscountPercent(int64_t hundredths) {
  return Send(Adjustment("3302C", hundredths), kDefault);
}

LinkStatus TXvornLinux::SellItem(const std::string& name, SaleItem& item) {
  if (!d->open) return ErrorFor(8001);
  const std::string padded = PadSpaceLeft(name, 3);
  item.unit = item.unit.empty() ? std::string(" BUC") : " " + item.unit;
  constexpr int64_t kLimit = 9'000'000'000'000'000'000;
  const int64_t whole =
      (item.denominator > kLimit || item.denominator < -kLimit) ? 0 : item.denominator;
  const std::string cmd = std::string(item.storno ? "33024" : "33021") + Pad0(item.department, 3) +
                          Money(item.price) + Pad0(item.vat, 2) +
                          Pad0(static_cast<int64_t>(padded.size()), 2) + padded +
                          Pad0(static_cast<int64_t>(item.unit.size()), 2) + item.unit +
                          Quantity5(item.quantity) + Pad0(whole, 4);
  return Run(cmd, kDefault);
}

LinkStatus TXvornLinux::SellItemSimple(const SimpleItem& item) {
  if (!d->open) return ErrorFor(8001);
  const std::string cmd = "3301O" + Quantity3(item.quantity) + Pad0(item.department, 3) + "22" +
                          std::string(22, ' ') + Money(item.price) + std::to_string(item.count);
  return Run(cmd, kDefault);
}

LinkStatus TXvornLinux::VoidReceipt() { return Send("33028", kDefault); }

LinkStatus TXvornLinux::CloseFiscalReceipt(const std::string& lastPayment) {
  if (!d->open) return ErrorFor(8001);
  const std::string& paid = lastPayment;
  if (paid.size() == 10 && paid[0] == '+' && IsNumeric(paid)) {
    // The rest still to pay: seven digits of lei, two of bani.
    const int64_t lei = ReadInt(paid.substr(1, 7), 0);
    const int64_t bani = ReadInt(paid.substr(8, 2), 0);
    if (LinkStatus rest = Payment(1, "", lei * 100 + bani); !rest) return rest;
  }
  const CommandReply sent = Exchange("3011", 30);
  if (sent.code == 0) return {};
  return ErrorFor(sent.code, sent.code == 8048 && d->rx.FirstByte() == 0x06);
}

LinkStatus TXvornLinux::FinishReceiptFullCut() { return Send("3015", kDefault); }

LinkStatus TXvornLinux::FinishReceiptPartialCut(int feedLines) {
  if (!d->open) return ErrorFor(8001);
  const int lines = (feedLines >= 0 && feedLines <= 9) ? feedLines : 0;
  return Run("3014" + std::to_string(lines), d->longTimeOut);
}

LinkResult<std::string> TXvornLinux::ReadExtendedError() { return Send("1015", kDefault); }

LinkResult<std::string> TXvornLinux::ReadFiscalSeries() { return Send("1008", kDefault); }

LinkResult<std::string> TXvornLinux::ReadVatRates() {
  LinkResult<std::string> read = Send("7012", kDefault);
  if (!read) return read;
  const std::string reply = std::move(read.value);
  std::string text;
  if (reply.size() > 23) {
    static const char kGroups[] = "ABCDEF";
    for (int i = 0; i < 6; ++i)
      text += std::string(" TVA ") + kGroups[i] + " " + reply.substr(4 * i, 2) + "%;";
  } else {
    text = "TVA ";
  }
  return text;
}

LinkResult<std::string> TXvornLinux::ReadDeviceModel() {
  LinkResult<std::string> read = Send("1013", kDefault);
  std::string& model = read.value;
  if (size_t ro = model.find("RO"); ro != std::string::npos) model = model.substr(0, ro) + " RO";
  return read;
}

LinkResult<std::string> TXvornLinux::ReadDailyTotals() {
  LinkResult<std::string> read = Send("1004", kDefault);
  if (read.value.size() != 253) read.value.clear();
  return read;
}

LinkResult<std::string> TXvornLinux::ReadTotalizer(int type) {
  return Send("1113" + D2(type), kDefault);
}

LinkStatus TXvornLinux::BeginExport(bool kindFlag) {
  return Send(std::string("7400") + (kindFlag ? "0701" : "0401"), kDefault);
}

LinkResult<std::string> TXvornLinux::ExportNextBlock() { return Send("7403060", kDefault); }

LinkStatus TXvornLinux::ReadExportFile() {
  if (!d->open) return ErrorFor(8001);
  d->rx.SetLengthPrefixed(true);
  const CommandReply sent = Exchange("7404", kDefault);
  d->rx.SetLengthPrefixed(false);
  return Outcome(sent);
}

LinkStatus TXvornLinux::EndExport() { return Send("7408", kDefault); }

LinkStatus TXvornLinux::LogoBegin(int size) { return Send("9100" + Pad0(size, 6), kDefault); }

LinkStatus TXvornLinux::LogoChunk(int count, const std::string& hexText) {
  return Send("9101" + Pad0(count, 2) + hexText, kDefault);
}

LinkStatus TXvornLinux::LogoEnd() { return Send("9102", kDefault); }

}  // namespace vorn
