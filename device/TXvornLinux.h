#pragma once
// The device link: the only code that talks to the fiscal device. One object
// per use: created, opened, used, closed and freed by its owner.
#include <QByteArray>
#include <QObject>
#include <array>
#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/LinkResult.h"
#include "device/ReceiptStage.h"

namespace vorn {

class LinkTransport;
class ReportStop;

// Sale line handed to SellItem; SellItem rewrites `unit`. Numbers as the
// receipt file gives them.
struct SaleItem {
  int64_t price = 0;        // hundredths
  int64_t quantity = 0;     // hundred-thousandths
  int64_t denominator = 1;  // sent as 0 past 9e18 or -9e18
  uint32_t vat = 0;
  uint32_t department = 0;
  bool storno = false;
  std::string unit;
};

struct SimpleItem {
  int64_t price = 0;     // hundredths
  int64_t quantity = 0;  // thousandths
  uint32_t count = 0;
  uint32_t department = 0;
};

// What SendCommand got: its result code and the reply's payload.
struct CommandReply {
  int code = 0;
  std::string reply;
};

// What OpenLink found: whether the link opened and, on it, the device's model.
struct [[nodiscard]] LinkOpening {
  explicit operator bool() const { return open; }

  bool open = false;
  // Why the link did not open, with the device path or address tried, for the
  // log; the model's error keeps the link's own codes and texts.
  std::string systemDetail;
  LinkResult<std::string> model = LinkError{};
};

// The receipt journal's information block (command 8006 with zeros).
struct JournalInfo {
  int64_t freeLines = -1;  // -1: the reply carried no count
  std::string reply;
};

class TXvornLinux : public QObject {
  Q_OBJECT
 public:
  TXvornLinux(bool isTcp, bool extendedStatus);
  ~TXvornLinux() override;
  TXvornLinux(const TXvornLinux&) = delete;
  TXvornLinux& operator=(const TXvornLinux&) = delete;

  // ---- link ----
  LinkOpening OpenLink(int port, int speedIndex, const std::string& host);
  void CloseLink();
  void SetReplyTimeout(int seconds);
  // Code 0, a device code, 8047 NACK, 8048 TIME OUT, 8061 for a command that
  // would break the frame or 8062 for one too long for it (nothing sent for
  // either); the reply as far as one came.
  CommandReply SendCommand(const std::string& command);
  // The error of a code, counted in the tally: its text from the tables, for
  // 99 the extended error asked of the device, for 8048 with statusAdvice the
  // advice to check the state.
  LinkError ErrorFor(int code, bool statusAdvice = false);

  // While set, a stop asked for during a command's wait is sent once the device
  // has accepted the command (its lone ACK): the 5005 frame between the
  // command's frames, its reply kept apart from the command's own, 30 seconds.
  void SetReportStop(std::shared_ptr<ReportStop> stop);
  // A line of the owner's in the traffic log.
  void LogNote(const std::string& text);

  // Receive handler of both transports; public so tests and the fuzzer can feed chunks.
  void OnBytesReceived(const QByteArray& chunk);

  // TCP port of the device (9100); tests point it at a local scripted device.
  void SetTcpPort(int port);
  // When set, the serial device opened instead of the mapping of the port
  // number (device detection tries paths that no COM number names).
  void SetSerialDevicePath(const std::string& path);
  // Seconds of the commands that print long (verification, trailer, partial cut).
  void SetLongTimeOut(int seconds);
  bool IsOpen() const;
  // Status 1215 (classic) or the 1209/1010/1211/1111/1112 set (M4, M5); an
  // opened link picks it from the model.
  bool UsesExtendedStatus() const;

  // Hands over the traffic log gathered since the last call.
  std::vector<std::string> TakeCommLog();

  // ---- hooks for tests and the fuzzer: the receive side without a wait ----
  // Starts a reception as a send would (buffers cleared) in the given mode.
  void BeginReceptionForTest(bool lengthPrefixed, bool pollActive);
  bool ReplyCompleteForTest() const;
  bool PollCompleteForTest() const;
  size_t ReceiveLengthForTest() const;
  size_t PollLengthForTest() const;
  std::string ReplyPayloadForTest() const;
  std::string PollPayloadForTest() const;
  // The kept copy of a status reply: 1209, 1010, 1211, 1111, 1112, 1309 or 1215.
  std::string StatusCopyForTest(int command) const;

  // ---- operations (each hands back its error; a read its value too) ----
  // Amounts are whole hundredths, percentages hundredths of a percent.
  LinkStatus ProgramVatRates(const std::array<int, 6>& rates);
  // The device's reply: "+" and the rest still to pay, or the change.
  LinkResult<std::string> Payment(int type, const std::string& text, int64_t hundredths);
  LinkStatus OpenNonFiscalReceipt();
  LinkStatus PrintNonFiscalText(const std::string& font, const std::string& text);
  LinkStatus CloseNonFiscalReceipt();
  LinkStatus ShowOnDisplay(const std::string& text);
  LinkStatus Subtotal();
  LinkStatus ZReportOfType(int type);
  LinkStatus XReportOfType(int type);
  LinkStatus DailyZReport(int kind);
  LinkStatus XReport();
  LinkStatus Command2103();
  LinkStatus SetDateTime(int day, int month, int year, int hour, int minute);
  // "ddmmyyhhmm..." as the device gives it.
  LinkResult<std::string> ReadDateTime();
  LinkStatus ReadTotalizers();
  LinkStatus Command5005();
  LinkStatus InterruptReport();
  // The drawer's cash as the device reports it.
  LinkResult<std::string> CashOperation(const std::string& letter, int64_t hundredths);
  // The device's verification memo.
  LinkResult<std::string> SendVerification(const std::string& request);
  LinkStatus Beep(int count, int tone);
  LinkStatus ExportFiscalData(const std::string& a, const std::string& b, const std::string& c,
                              const std::string& d, const std::string& e);
  LinkStatus JournalReportByDates(int sd, int sm, int sy, int ed, int em, int ey);
  LinkStatus JournalReportByDateAndReceipts(int day, int month, int year, int first, int last);
  LinkStatus JournalReportByZRange(int firstZ, int lastZ);
  LinkStatus JournalReportByLine(int64_t line);
  LinkResult<std::string> JournalReportByZAndReceipts(int z, int first, int last);
  LinkStatus FiscalMemoryReportByNumbers(int first, int last);
  LinkStatus FiscalMemoryReportByDates(int type, int sd, int sm, int sy, int ed, int em, int ey);
  LinkStatus PrintBarcode(int type, int digitsFlag, const std::string& data, int height);
  LinkStatus PrintFiscalText(const std::string& font, const std::string& text, int alignment);
  LinkStatus PrintFiscalText3008(const std::string& font, const std::string& text);
  LinkStatus PrintFiscalText3010(const std::string& font, const std::string& text);
  LinkStatus PrintFiscalText3012(const std::string& font, const std::string& text, int alignment);
  LinkStatus MarkupValue(int64_t hundredths);
  LinkStatus DiscountValue(int64_t hundredths);
  LinkStatus MarkupPercent(int64_t hundredths);
  LinkStatus DiscountPercent(int64_t hundredths);
  LinkStatus SellItem(const std::string& name, SaleItem& item);
  LinkStatus SellItemSimple(const SimpleItem& item);
  LinkStatus VoidReceipt();
  // lastPayment: the reply of the receipt's last payment. The rest it names
  // ("+" and nine digits of bani) is paid in cash before the close.
  LinkStatus CloseFiscalReceipt(const std::string& lastPayment);
  LinkStatus FinishReceiptFullCut();
  LinkStatus FinishReceiptPartialCut(int feedLines);
  LinkResult<std::string> ReadExtendedError();
  LinkResult<std::string> ReadFiscalSeries();
  // " TVA A 19%; TVA B ..." (or "TVA " for a short reply).
  LinkResult<std::string> ReadVatRates();
  // The model text up to "RO", then " RO".
  LinkResult<std::string> ReadDeviceModel();
  // The 253-character reply, or empty for a reply of another length.
  LinkResult<std::string> ReadDailyTotals();
  LinkResult<std::string> ReadTotalizer(int type);
  LinkResult<std::string> ReadReceiptCounters();
  LinkResult<std::string> ReadReceiptState();
  LinkResult<ReceiptStage> ReadReceiptStage();
  LinkResult<std::string> ReadStatus1010(bool clockSync);
  LinkStatus ReadStatus1209();
  LinkStatus ReadStatus1211();
  LinkResult<std::string> ReadPrinterStatus();
  LinkStatus ReadStatus(bool clockSync);
  LinkResult<JournalInfo> ReadJournalFreeLines();
  LinkStatus BeginExport(bool kindFlag);
  // A block of the archive: three characters, then its hexadecimal text.
  LinkResult<std::string> ExportNextBlock();
  LinkStatus ReadExportFile();
  LinkStatus EndExport();
  LinkStatus LogoBegin(int size);
  LinkStatus LogoChunk(int count, const std::string& hexText);
  LinkStatus LogoEnd();
  void SyncDeviceClock();
  // A fractional amount here would silently lose its fraction.
  template <std::floating_point T>
  LinkResult<std::string> Payment(int, const std::string&, T) = delete;
  template <std::floating_point T>
  LinkResult<std::string> CashOperation(const std::string&, T) = delete;
  template <std::floating_point T>
  LinkStatus MarkupValue(T) = delete;
  template <std::floating_point T>
  LinkStatus DiscountValue(T) = delete;
  template <std::floating_point T>
  LinkStatus MarkupPercent(T) = delete;
  template <std::floating_point T>
  LinkStatus DiscountPercent(T) = delete;

  // The file of the last ReadExportFile: AnnouncedLength bytes from byte 6 of
  // the receive buffer (bytes past what was received read as zero).
  std::string ExportFileBytes() const;

  // ---- status queries (from the kept status copies; no device traffic) ----
  bool IsCoverOpen() const;
  bool IsPaperOut() const;
  bool IsPaperNearEnd() const;
  bool IsJournalFull() const;
  bool IsJournalNearFull() const;
  bool IsCutterError() const;
  bool IsFiscalMemoryMissing() const;
  bool IsNotFiscalized() const;
  bool IsFiscalMemoryFull() const;
  bool IsJournalMissing() const;
  bool IsDisplayMissing() const;
  bool IsFiscalReceiptOpen() const;
  bool IsNonFiscalReceiptOpen() const;
  bool IsPrinterPaperOut() const;
  bool IsReceiptInSales() const;
  // The stage of the last state read (1112); a single space after a failed one.
  ReceiptStage ReceiptStateStage() const;
  // The receipt number of the last counters (1111) or state (1112) read;
  // emptied by a failed state read.
  const std::string& ReceiptNumber() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> d;

  // Logs the command, sets the interval (seconds, -1 for the default), sends,
  // logs the result with resultTag; sends again while it fails, `sends` at most.
  CommandReply Exchange(const std::string& command, int seconds, int sends = 1,
                        const char* resultTag = "-Ecr result : ");
  // The reply of an exchange, or its error.
  LinkResult<std::string> Outcome(const CommandReply& sent);
  // Exchange and its outcome.
  LinkResult<std::string> Run(const std::string& command, int seconds, int sends = 1);
  // Run on an open link; 8001 on a closed one.
  LinkResult<std::string> Send(const std::string& command, int seconds, int sends = 1);
  void Log(const char* tag, const std::string& text);
  void WriteFrame(const std::string& frame);
  // Waits until done(), blocking on the transport sliceMs at a time (0: until
  // the reply deadline, at most a second).
  template <class Done>
  void WaitUntil(Done done, int sliceMs = 0);
  // Takes in (and logs) what the device sent since the last wait.
  void TakeStrayBytes();
  void WaitForReply();
  // Writes a frame while the command's reply is awaited and waits for its own
  // reply in the poll buffer, so the command's reply still goes to its buffer.
  void ExchangeBetweenFrames(const std::string& frame);
  bool BusyPollStep(const std::string& pollFrame);
  // Asked, and the device has accepted the command being waited on.
  bool StopDue() const;
  // Sends a due stop between the frames; false when none was due.
  bool StopStep();
  LinkResult<std::string> ReadStatusReply(const std::string& command, size_t length,
                                          std::string& copy, bool digitsCheck);
};

}  // namespace vorn
