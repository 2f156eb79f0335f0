#pragma once
// A stateful stand-in for the fiscal device: answers the device protocol over
// TCP and a pseudo-terminal, prints onto a readable paper roll, and lets tests
// switch faults on at will.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QThread;

namespace vorn::sim {

class FiscalDevice;
class SimServer;
class ControlChannel;

class FiscalSimulator : public QObject {
  Q_OBJECT
 public:
  explicit FiscalSimulator(QObject* parent = nullptr);
  ~FiscalSimulator() override;

  // Serves from a thread of its own from now on, so that a device link may
  // block on the thread that created it. Call first, before listening. Every
  // public call then runs on that thread (the caller waits for it), and
  // CommandReceived is emitted there.
  void StartOwnThread();

  // ---- transports ----
  // One simulator per loopback address; accepts one connection after another.
  // Port 0 picks an ephemeral port, readable afterwards with TcpPort().
  bool ListenTcp(const QString& address, quint16 port = 9100);
  quint16 TcpPort() const;
  // Serves a pseudo-terminal in raw mode; returns the slave path (e.g.
  // /dev/pts/7), empty on failure.
  QString OpenPseudoTerminal();
  // Line-based text channel for faults and inspection (see ControlHelp()).
  bool ListenControl(const QString& address, quint16 port);
  quint16 ControlPort() const;
  void Stop();
  QString LastError() const;

  // ---- fault switches and state (take effect on the next command) ----
  void SetPaperOut(bool on);
  void SetPaperNearEnd(bool on);
  void SetCoverOpen(bool on);
  void SetCutterError(bool on);
  void SetJournalFull(bool on);
  void SetJournalNearFull(bool on);
  void SetJournalFreeLines(qint64 lines);  // what the journal free-line query reports
  void SetFiscalMemoryFull(bool on);
  void SetFiscalMemoryMissing(bool on);
  void SetNotFiscalized(bool on);
  void SetJournalMissing(bool on);
  void SetDisplayMissing(bool on);
  void Set24hSinceFirstReceipt(bool on);  // fiscal commands refused with 61 until a Z report
  // Payment form in the receipt file's numbering (1 NUMERAR, 2 CEC, 3 CREDIT
  // CARD, ...); a payment by it is refused with 99, extended error 144.
  void SetPaymentFormUnprogrammed(int form, bool unprogrammed);
  // The next command gets a refusal frame with that code (for 99, the extended
  // error that 1015 then reports).
  void RefuseNextCommand(int code, int extendedCode = 0);
  void NakNextFrames(int n);     // the next n frames are answered with NAK
  void SetSilent(bool on);       // frames are read and never answered
  void CutNextReply(int bytes);  // the next reply stops after that many bytes
  void SetChunkSize(int bytes);  // replies go out in pieces of that size (0: whole)
  void SetReplyDelayMs(int ms);  // pause before every reply (scaled by the time scale)
  void DropConnectionOnNextCommand();
  // The nth command from now beginning with `code` (or the nth command of any
  // kind) is carried out and its reply held until ReleaseHeldReply, which also
  // forgets pending holds.
  void HoldReplyTo(const QString& code, int nth = 1);
  void HoldReplyToNth(int n);
  QString HeldCommand() const;  // empty while no reply is held
  void ReleaseHeldReply();
  void SetExtendedModel(
      bool on);  // model text with "M4" (extended status) or without (classic 1215)
  // Leaves a fiscal receipt open in stage 1..6 (0: none), or a non-fiscal one.
  void SetReceiptInProgress(int stage, bool nonFiscal = false);
  void SetReportBusyMs(int ms);  // how long a long report keeps busy (scaled)
  // Fiscal memory and journal reports print for that long (scaled; 0: at once)
  // unless a stop (5005) interrupts them.
  void SetSlowReportMs(int ms);
  void SetExportReadyDelayMs(int ms);  // how long an export takes to prepare (scaled)
  void SetExportSize(qint64 bytes);    // approximate size of the exported archive
  // Each hexadecimal export block then begins with a pair that is not hexadecimal.
  void SetExportBadHex(bool on);
  void SetFiscalSeries(const QString& series);

  // ---- inspection ----
  QString PaperRoll() const;                   // everything printed so far, readable text
  void SetPaperRollFile(const QString& path);  // also append the roll to this file as it prints
  int ReceiptsPrinted() const;                 // fiscal receipts finished (voided ones included)
  int LastReceiptNumber() const;
  int FramesReceived() const;
  QStringList CommandLog() const;  // command strings in arrival order
  QByteArray LogoData() const;     // the bytes of the last complete logo upload
  qint64 DrawerCashBani() const;
  QString StatusText() const;  // multi-line summary of the device state

  // Applies one control-channel line ("paper-out on", "nak 3" ...); the answer text.
  QString ApplyControl(const QString& line);
  static QString ControlHelp();

  // Not thread-safe: use OnDevice while the simulator serves from its own thread.
  FiscalDevice& Device();
  // Runs f with the device on the simulator's thread.
  void OnDevice(const std::function<void(FiscalDevice&)>& f);

 Q_SIGNALS:
  void CommandReceived(const QString& command);

 private:
  // f on the simulator's thread; its result.
  template <class F>
  auto Call(F f) const -> decltype(f());

  QThread* thread_ = nullptr;  // set by StartOwnThread
  std::unique_ptr<FiscalDevice> device_;
  std::unique_ptr<SimServer> server_;
  std::unique_ptr<ControlChannel> control_;
  QString lastError_;
};

}  // namespace vorn::sim
