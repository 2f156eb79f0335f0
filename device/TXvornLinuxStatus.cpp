// Status reads (they keep copies of the status replies) and the status queries
// answered from those copies.
#include "base/Clock.h"
#include "device/Encoding.h"
#include "device/TXvornLinux.h"
#include "device/TXvornLinuxImpl.h"

namespace vorn {
using namespace wire;

namespace {
constexpr int kDefault = -1;  // the default 5-second interval
// Character pos (1-based) of a kept copy equals c.
bool At(const std::string& copy, size_t pos, char c) {
  return pos <= copy.size() && copy[pos - 1] == c;
}
}  // namespace

// Sends a status command (up to 3 sends); on success zeroes the copy and fills
// it from a reply of the exact length (else 8002), then checks the digits
// (8031) when asked. A failed send keeps the previous copy.
LinkResult<std::string> TXvornLinux::ReadStatusReply(const std::string& command, size_t length,
                                                     std::string& copy, bool digitsCheck) {
  LinkResult<std::string> read = Send(command, kDefault, 3);
  if (!read) return read;
  const std::string& reply = read.value;
  copy.assign(length, '\0');
  if (reply.size() != length) return ErrorFor(8002);
  copy = reply;
  if (digitsCheck && !IsDigits(reply)) return ErrorFor(8031);
  return read;
}

LinkStatus TXvornLinux::ReadStatus1209() { return ReadStatusReply("1209", 6, d->s1209, true); }

LinkStatus TXvornLinux::ReadStatus1211() { return ReadStatusReply("1211", 5, d->s1211, true); }

LinkResult<std::string> TXvornLinux::ReadPrinterStatus() {
  return ReadStatusReply("1309", 8, d->s1309, true);
}

LinkResult<std::string> TXvornLinux::ReadStatus1010(bool clockSync) {
  LinkResult<std::string> read = ReadStatusReply("1010", 11, d->s1010, true);
  if (!read) return read;
  if (clockSync && At(d->s1010, 8, '1')) SyncDeviceClock();
  return read;
}

LinkResult<std::string> TXvornLinux::ReadReceiptCounters() {
  if (!d->open) return ErrorFor(8001);
  const CommandReply sent = Exchange("1111", kDefault, 4);
  d->fiscalOpen = false;
  d->nonFiscalOpen = false;
  if (sent.code != 0) return ErrorFor(sent.code);
  const std::string& reply = sent.reply;
  d->s1111.assign(6, '\0');
  if (reply.size() != 6) return ErrorFor(8002);
  d->s1111 = reply;
  d->fiscalOpen = reply[0] == '1';
  d->nonFiscalOpen = reply[1] == '1';
  d->receiptNumber = reply.substr(2, 4);
  if (!IsDigits(reply)) return ErrorFor(8031);
  return reply;
}

LinkResult<std::string> TXvornLinux::ReadReceiptState() {
  if (!d->open) return ErrorFor(8001);
  const CommandReply sent = Exchange("1112", d->longTimeOut);
  d->stateChar.assign(1, ' ');
  d->receiptNumber.clear();
  if (sent.code != 0) return ErrorFor(sent.code);
  const std::string& reply = sent.reply;
  d->s1112.assign(5, '\0');
  d->inSales = false;
  d->closing = false;
  if (reply.size() != 5) return ErrorFor(8002);
  d->s1112 = reply;
  const ReceiptStage stage = ReceiptStage::FromText(reply.substr(0, 1));
  d->stateChar = stage.Text();
  d->inSales = stage.InSales();
  d->closing = stage.PaidOrClosed();
  d->receiptNumber = reply.substr(1, 4);
  return reply;
}

LinkStatus TXvornLinux::ReadStatus(bool clockSync) {
  if (d->extendedStatus) {
    if (LinkStatus read = ReadStatus1209(); !read) return read;
    if (LinkStatus read = ReadStatus1010(false); !read) return read;
    if (LinkStatus read = ReadStatus1211(); !read) return read;
    if (LinkStatus read = ReadReceiptCounters(); !read) return read;
    return ReadReceiptState();
  }
  LinkStatus read = ReadStatusReply("1215", 20, d->s1215, false);
  if (!read) return read;
  if (clockSync && At(d->s1215, 18, '0')) SyncDeviceClock();
  return read;
}

LinkResult<ReceiptStage> TXvornLinux::ReadReceiptStage() {
  LinkResult<std::string> read = Send("1012", kDefault, 3);
  if (!read) return read.error;
  return ReceiptStage::FromText(std::move(read.value));
}

LinkResult<JournalInfo> TXvornLinux::ReadJournalFreeLines() {
  LinkResult<std::string> read = Send("8006000000000000", kDefault);
  if (!read) return read.error;
  JournalInfo info;
  info.reply = std::move(read.value);
  if (info.reply.size() > 35 && IsNumeric(info.reply))
    info.freeLines = ReadInt(info.reply.substr(27, 9), -1);
  return info;
}

std::string TXvornLinux::StatusCopyForTest(int command) const {
  switch (command) {
    case 1209:
      return d->s1209;
    case 1010:
      return d->s1010;
    case 1211:
      return d->s1211;
    case 1111:
      return d->s1111;
    case 1112:
      return d->s1112;
    case 1309:
      return d->s1309;
    case 1215:
      return d->s1215;
    default:
      return std::string();
  }
}

// ---- queries ----

bool TXvornLinux::IsCoverOpen() const {
  return d->extendedStatus ? At(d->s1209, 1, '1') : At(d->s1215, 4, '0');
}
bool TXvornLinux::IsPaperOut() const {
  return d->extendedStatus ? At(d->s1209, 2, '1') : At(d->s1215, 2, '1');
}
bool TXvornLinux::IsPaperNearEnd() const {
  return d->extendedStatus ? At(d->s1209, 3, '1') : At(d->s1215, 3, '1');
}
bool TXvornLinux::IsJournalFull() const {
  return d->extendedStatus ? At(d->s1209, 4, '1') : At(d->s1215, 12, '1');
}
bool TXvornLinux::IsJournalNearFull() const {
  return d->extendedStatus ? At(d->s1209, 5, '1') : At(d->s1215, 14, '1');
}
bool TXvornLinux::IsCutterError() const {
  return d->extendedStatus ? At(d->s1209, 6, '1') : At(d->s1215, 5, '1');
}
bool TXvornLinux::IsFiscalMemoryMissing() const {
  return d->extendedStatus ? At(d->s1010, 1, '1') : At(d->s1215, 7, '0');
}
bool TXvornLinux::IsNotFiscalized() const {
  return d->extendedStatus ? At(d->s1211, 3, '0') : At(d->s1215, 8, '0');
}
bool TXvornLinux::IsFiscalMemoryFull() const {
  return d->extendedStatus ? At(d->s1211, 5, '1') : At(d->s1215, 9, '1');
}
bool TXvornLinux::IsJournalMissing() const {
  return d->extendedStatus ? false : At(d->s1215, 10, '0');
}
bool TXvornLinux::IsDisplayMissing() const {
  return d->extendedStatus ? false : At(d->s1215, 13, '0');
}
bool TXvornLinux::IsFiscalReceiptOpen() const {
  return d->extendedStatus ? d->fiscalOpen : At(d->s1215, 15, '1');
}
bool TXvornLinux::IsNonFiscalReceiptOpen() const {
  return d->extendedStatus ? d->nonFiscalOpen : At(d->s1215, 17, '1');
}
bool TXvornLinux::IsPrinterPaperOut() const { return At(d->s1309, 2, '1'); }
bool TXvornLinux::IsReceiptInSales() const { return d->inSales; }
ReceiptStage TXvornLinux::ReceiptStateStage() const { return ReceiptStage::FromText(d->stateChar); }
const std::string& TXvornLinux::ReceiptNumber() const { return d->receiptNumber; }

}  // namespace vorn
