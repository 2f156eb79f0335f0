#pragma once
// The device's brain: takes one command string, changes the state, prints on
// the roll and says what to send back. No sockets, no Qt.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "simulator/DeviceState.h"
#include "simulator/PaperRoll.h"

namespace vorn::sim {

struct Response {
  enum class Kind {
    Reply,    // normal reply frame with `payload`
    Refusal,  // refusal frame with `code`
    Long,     // lone ACK now, busy for `busyMs`, then the rest of the reply frame
    Binary,   // the length-prefixed file `payload`
  };
  Kind kind = Kind::Reply;
  std::string payload;
  int code = 0;
  int busyMs = 0;

  static Response Ok(std::string payload = {}) { return {Kind::Reply, std::move(payload), 0, 0}; }
  static Response Refuse(int code) { return {Kind::Refusal, {}, code, 0}; }
};

class FiscalDevice {
 public:
  FiscalDevice();

  // One command string (code and fields, no framing).
  Response Handle(const std::string& command);
  // The reply to a status poll while a long report is running.
  std::string BusyStatus1010() const;

  DeviceState& State() { return state_; }
  const DeviceState& State() const { return state_; }
  PaperRoll& Roll() { return roll_; }
  const PaperRoll& Roll() const { return roll_; }
  const std::vector<std::string>& CommandLog() const { return log_; }
  int FramesReceived() const { return frames_; }
  void CountFrame() { ++frames_; }
  // Records a command answered without reaching the handlers (busy device).
  void NoteCommand(const std::string& command) { log_.push_back(command); }
  std::string StatusText() const;

  // Leaves a receipt open as a previous run would: stage 1..6, or a
  // non-fiscal one; 0 and false clear both.
  void SetReceiptInProgress(int stage, bool nonFiscal);

  // The session printing a long report says how to cut it short; a stop
  // (5005) from any session then does so, once its own reply is sent.
  void SetReportInterrupt(std::function<void()> interrupt) {
    reportInterrupt_ = std::move(interrupt);
  }
  void InterruptLongReport();
  // A long report's end: what it has left to print, or the interruption note;
  // nothing for a report printed whole at its start.
  void EndLongReport(bool interrupted);

  // Host time in ms (monotonic), replaceable by tests.
  std::function<int64_t()> nowMs;

  LinkFaults link;

 private:
  using Handler = Response (FiscalDevice::*)(const std::string& data);
  void Register(const std::string& code, Handler h);
  // Each family's codes (the families below), registered by the constructor.
  void RegisterStatusCommands();
  void RegisterReceiptCommands();
  void RegisterServiceCommands();
  void RegisterReportCommands();
  void RegisterExportCommands();

  // Status and readings (CommandsStatus.cpp)
  Response Model(const std::string&);
  Response Status1209(const std::string&);
  Response Status1010(const std::string&);
  Response Status1211(const std::string&);
  Response Counters1111(const std::string&);
  Response ReceiptState1112(const std::string&);
  Response Stage1012(const std::string&);
  Response PrinterStatus1309(const std::string&);
  Response Classic1215(const std::string&);
  Response ExtendedError(const std::string&);
  Response ReadClock(const std::string&);
  Response SetClock(const std::string&);
  Response DailyTotals(const std::string&);
  Response Totalizer(const std::string&);
  Response Totalizers(const std::string&);
  Response FiscalSeries(const std::string&);
  Response Verification(const std::string&);

  // Fiscal receipt (CommandsReceipt.cpp)
  Response Sale(const std::string&);
  Response StornoSale(const std::string&);
  Response ChangeOperator(const std::string&);
  Response Adjust(const std::string&, bool discount, bool percent);
  Response MarkupValue(const std::string& d) { return Adjust(d, false, false); }
  Response DiscountValue(const std::string& d) { return Adjust(d, true, false); }
  Response MarkupPercent(const std::string& d) { return Adjust(d, false, true); }
  Response DiscountPercent(const std::string& d) { return Adjust(d, true, true); }
  Response Subtotal(const std::string&);
  Response Pay(const std::string&);
  Response Close(const std::string&);
  Response FinishPartial(const std::string&);
  Response FinishFull(const std::string&);
  Response Void(const std::string&);
  Response FiscalText(const std::string&);
  Response FiscalText3008(const std::string&);
  Response ClientCode3010(const std::string&);
  Response Trailer3012(const std::string&);
  Response Barcode(const std::string&);

  // Non-fiscal receipt, drawer, display, VAT, buzzer (CommandsService.cpp)
  Response OpenNonFiscal(const std::string&);
  Response NonFiscalText(const std::string&);
  Response CloseNonFiscal(const std::string&);
  Response Cash(const std::string&);
  Response Display(const std::string&);
  Response ReadVat(const std::string&);
  Response ProgramVat(const std::string&);
  Response BeepCmd(const std::string&);
  Response LogoBegin(const std::string&);
  Response LogoChunk(const std::string&);
  Response LogoEnd(const std::string&);

  // Reports (CommandsReports.cpp)
  Response ZDaily(const std::string&);
  Response XDaily(const std::string&);
  Response ZTyped(const std::string&);
  Response XTyped(const std::string&);
  Response TypedReport(const std::string& data, bool z);
  Response DepartmentReport(const std::string&);
  Response FiscalMemoryReport(const std::string&);  // 5001..5004
  Response StopReport(const std::string&);          // 5005
  Response JournalReport(const std::string&);       // 8001..8004
  Response Journal8006(const std::string&);
  // Title and body (left, right columns) of a fiscal memory or journal report,
  // printed at once or, for slow reports, at the end of a long one.
  using ReportBody = std::vector<std::pair<std::string, std::string>>;
  Response PrintReport(const std::string& title, ReportBody body);
  void PrintReportBody(const ReportBody& body);

  // Export (CommandsExport.cpp)
  Response ExportPrepare(const std::string&);
  Response ExportBegin(const std::string&);
  Response ExportBlock(const std::string&);
  Response ExportFile(const std::string&);
  Response ExportEnd(const std::string&);

  // Helpers shared by the handler families.
  int PrintingBlocked(bool fiscal) const;  // refusal code or 0
  int OpenReceiptIfNeeded();               // refusal code or 0
  void PrintReceiptHeader(const std::string& title);
  void CompleteReceipt(bool voided);
  void BookReceipt();
  void PrintTotalsReport(const std::string& title, bool reset);
  std::string DailyTotalsText() const;
  std::string DateTimeText() const;  // dd.mm.yyyy hh:mm on the device clock
  bool ExportReady() const;
  Response RefuseExtended(int extended);

  std::string currentCode_;
  std::map<std::string, Handler> handlers_;
  DeviceState state_;
  PaperRoll roll_;
  std::vector<std::string> log_;
  int frames_ = 0;
  std::optional<ReportBody> pendingReport_;
  std::function<void()> reportInterrupt_;
};

}  // namespace vorn::sim
