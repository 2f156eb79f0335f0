#pragma once
// Serves one connection (a TCP client or the pseudo-terminal): cuts frames
// out of the byte stream, asks the device, and sends the reply with whatever
// line faults are switched on.
#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <functional>

#include "simulator/ReplyFrame.h"

class QTimer;

namespace vorn::sim {

class FiscalDevice;
struct Response;

class SimSession : public QObject {
  Q_OBJECT
 public:
  using Writer = std::function<void(const QByteArray&)>;
  using Dropper = std::function<void()>;

  SimSession(FiscalDevice* device, Writer write, Dropper drop, QObject* parent = nullptr);
  ~SimSession() override;

  void OnBytes(const QByteArray& bytes);
  // Forget a half-read frame and anything still queued (the peer went away).
  void Reset();

  // Bytes of the length-prefixed reply to the export file command.
  static QByteArray BinaryReply(const std::string& file);

 Q_SIGNALS:
  void CommandReceived(const QString& command);

 private:
  void HandleFrame(const InFrame& frame);
  // Drop, silence, a bad frame or NAKs: true when they took the frame.
  bool TakenByLineFaults(const InFrame& frame);
  void AnswerWhileBusy(const std::string& command);
  void Answer(const std::string& command, const Response& response);
  void Send(QByteArray bytes);
  void Enqueue(const QByteArray& bytes);
  void Pump();
  void FinishLongReport();
  // Sends the rest of the long report's reply now; the device prints its end.
  void EndLongReport(bool interrupted);
  bool ShouldHold(const std::string& command);
  void ReleaseHeld();
  void DropHeld();

  FiscalDevice* device_;
  Writer write_;
  Dropper drop_;
  FrameReader reader_;
  QByteArray outQueue_;
  QTimer* pumpTimer_;
  QTimer* busyTimer_;
  bool busy_ = false;
  bool busyDone_ = false;
  int64_t lastPollMs_ = 0;
  int64_t pollIntervalMs_ = 0;
  QByteArray busyRemainder_;
  bool dropped_ = false;
  bool holding_ = false;  // replies of the current frame go to heldReply_
  QByteArray heldReply_;
  bool holdsReply_ = false;  // this session's reply is the device's held one
};

}  // namespace vorn::sim
