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

class TXvornLinux : public QObject {
  Q_OBJECT
 public:
  TXvornLinux(bool isTcp, bool extendedStatus);
  ~TXvornLinux() override;
  TXvornLinux(const TXvornLinux&) = delete;
  TXvornLinux& operator=(const TXvornLinux&) = delete;

  // ---- link ----
  bool OpenLink(int port, int speedIndex, const std::string& host);
  void CloseLink();
  bool CheckLink();
  void SetReplyTimeout(int seconds);
  // 0, a device code, 8047 NACK, 8048 TIME OUT, 8061 for a command that would
  // break the frame or 8062 for one too long for it (nothing sent for either).
  int SendCommand(const std::string& command);
  void SetError(int code);

  // While set, a stop asked for during a command's wait is sent once the device
  // has accepted the command (its lone ACK): the 5005 frame between the
  // command's frames, its reply kept apart from the command's own, 30 seconds.
  void SetReportStop(std::shared_ptr<ReportStop> stop);
  // A line of the owner's in the traffic log.
  void LogNote(const std::string& text);

  // Receive handler of both transports; public so tests and the fuzzer can feed chunks.
  void OnBytesReceived(const QByteArray& chunk);

  // TCP port of the device (9100); tests point it at a local scripted device.
  int TcpPort = 9100;
  // When set, the serial device opened instead of the mapping of the port
  // number (device detection tries paths that no COM number names).
  std::string SerialDevicePath;

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

  // ---- settings handed by the owner ----
  int LongTimeOut = 5;
  int CutMode = 0;    // ModTaiere
  int FeedLines = 0;  // LiniiAvans

  // ---- operations (true on success; LastError on failure) ----
  // Amounts are whole hundredths, percentages hundredths of a percent.
  bool ProgramVatRates(const std::array<int, 6>& rates);
  bool Payment(int type, const std::string& text, int64_t hundredths);
  bool OpenNonFiscalReceipt();
  bool PrintNonFiscalText(const std::string& font, const std::string& text);
  bool CloseNonFiscalReceipt();
  bool ShowOnDisplay(const std::string& text);
  bool Subtotal();
  bool ZReportOfType(int type);
  bool XReportOfType(int type);
  bool DailyZReport(int kind);
  bool XReport();
  bool Command2103();
  bool SetDateTime(int day, int month, int year, int hour, int minute);
  bool ReadDateTime(std::string& out);
  bool ReadTotalizers();
  bool Command5005();
  bool InterruptReport();
  bool CashOperation(const std::string& letter, int64_t hundredths);
  bool SendVerification(const std::string& request);
  bool Beep(int count, int tone);
  bool ExportFiscalData(const std::string& a, const std::string& b, const std::string& c,
                        const std::string& d, const std::string& e);
  bool JournalReportByDates(int sd, int sm, int sy, int ed, int em, int ey);
  bool JournalReportByDateAndReceipts(int day, int month, int year, int first, int last);
  bool JournalReportByZRange(int firstZ, int lastZ);
  bool JournalReportByLine(int64_t line);
  bool JournalReportByZAndReceipts(int z, int first, int last);
  bool FiscalMemoryReportByNumbers(int first, int last);
  bool FiscalMemoryReportByDates(int type, int sd, int sm, int sy, int ed, int em, int ey);
  bool PrintBarcode(int type, int digitsFlag, const std::string& data, int height);
  bool PrintFiscalText(const std::string& font, const std::string& text, int alignment);
  bool PrintFiscalText3008(const std::string& font, const std::string& text);
  bool PrintFiscalText3010(const std::string& font, const std::string& text);
  bool PrintFiscalText3012(const std::string& font, const std::string& text, int alignment);
  bool MarkupValue(int64_t hundredths);
  bool DiscountValue(int64_t hundredths);
  bool MarkupPercent(int64_t hundredths);
  bool DiscountPercent(int64_t hundredths);
  bool SellItem(const std::string& name, SaleItem& item);
  bool SellItemSimple(const SimpleItem& item);
  bool VoidReceipt();
  bool CloseFiscalReceipt();
  bool FinishReceiptFullCut();
  bool FinishReceiptPartialCut(int feedLines);
  bool ReadExtendedError();
  bool ReadFiscalSeries(std::string& out, int& code);
  bool ReadVatRates();
  bool ReadDeviceModel();
  bool ReadDailyTotals();
  bool ReadTotalizer(int type, std::string& out);
  bool ReadReceiptCounters(std::string& out);
  bool ReadReceiptState(std::string& out);
  bool ReadReceiptStage();
  bool ReadStatus1010(std::string& out, bool clockSync);
  bool ReadStatus1209();
  bool ReadStatus1211();
  bool ReadPrinterStatus(std::string& out);
  bool ReadStatus(bool clockSync);
  bool ReadJournalFreeLines();
  bool BeginExport(bool kindFlag);
  bool ExportNextBlock();
  bool ReadExportFile();
  bool EndExport();
  bool LogoBegin(int size);
  bool LogoChunk(int count, const std::string& hexText);
  bool LogoEnd();
  void SyncDeviceClock();
  // A fractional amount here would silently lose its fraction.
  template <std::floating_point T>
  bool Payment(int, const std::string&, T) = delete;
  template <std::floating_point T>
  bool CashOperation(const std::string&, T) = delete;
  template <std::floating_point T>
  bool MarkupValue(T) = delete;
  template <std::floating_point T>
  bool DiscountValue(T) = delete;
  template <std::floating_point T>
  bool MarkupPercent(T) = delete;
  template <std::floating_point T>
  bool DiscountPercent(T) = delete;

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
  // ReceiptStateChar as a stage. (Named in full: inside the class,
  // ReceiptStage is the stage command's reply below.)
  vorn::ReceiptStage ReceiptStateStage() const;

  // ---- state read by the owner ----
  bool IsTcp;
  bool ExtendedStatus;
  bool LinkOpen = false;
  std::string LastReply;
  std::string LastError;
  // Why the last OpenLink failed, with the device path or address tried, for
  // the log; LastError keeps the device link's own codes and texts.
  std::string LastSystemDetail;
  bool ErrorIsExtended = false;
  bool ErrorIs24hSinceZ = false;
  bool ErrorIsPaperOut = false;
  bool AppendStatusAdvice = false;
  std::string LastPaymentReply;
  std::string ModelText;
  std::string ReceiptStateChar;
  std::string ReceiptNumber;
  std::string ReceiptStage;
  int TotalizerType = 0;
  std::string TotalizerReply;
  std::string VatRatesText;
  std::string JournalReportReply;
  std::string DailyTotals;
  int64_t JournalFreeLines = -1;
  // Number of a receipt that device preparation finished automatically.
  std::string AutoFinalizedNumber;
  std::vector<std::string> CommLog;

 private:
  struct Impl;
  std::unique_ptr<Impl> d;

  // Logs the command, sets the interval (seconds, -1 for the default), sends,
  // logs the result with resultTag; sends again while it fails, `sends` at most.
  int Exchange(const std::string& command, int seconds, int sends = 1,
               const char* resultTag = "-Ecr result : ");
  // Exchange, then SetError on failure; true on success.
  bool Run(const std::string& command, int seconds, int sends = 1);
  bool Fail(int code);
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
  bool ReadStatusReply(const std::string& command, size_t length, std::string& copy,
                       bool digitsCheck, std::string* out);
};

}  // namespace vorn
