#include "simulator/SimSession.h"

#include <QPointer>
#include <QTimer>
#include <utility>

#include "base/Clock.h"
#include "device/Frame.h"
#include "simulator/FiscalDevice.h"

namespace vorn::sim {

namespace {
QByteArray Bytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

SimSession::SimSession(FiscalDevice* device, Writer write, Dropper drop, QObject* parent)
    : QObject(parent),
      device_(device),
      write_(std::move(write)),
      drop_(std::move(drop)),
      pumpTimer_(new QTimer(this)),
      busyTimer_(new QTimer(this)) {
  pumpTimer_->setSingleShot(true);
  connect(pumpTimer_, &QTimer::timeout, this, &SimSession::Pump);
  busyTimer_->setSingleShot(true);
  connect(busyTimer_, &QTimer::timeout, this, &SimSession::FinishLongReport);
}

void SimSession::Reset() {
  reader_.Reset();
  outQueue_.clear();
  pumpTimer_->stop();
  busyTimer_->stop();
  // The device goes on printing a report whose client went away.
  if (busy_) device_->EndLongReport(false);
  busy_ = false;
  busyRemainder_.clear();
  DropHeld();
}

SimSession::~SimSession() {
  if (busy_) device_->EndLongReport(false);
  DropHeld();
}

void SimSession::DropHeld() {
  heldReply_.clear();
  holding_ = false;
  if (!holdsReply_) return;
  holdsReply_ = false;
  device_->link.heldCommand.clear();
  device_->link.releaseHeld = nullptr;
}

bool SimSession::ShouldHold(const std::string& command) {
  LinkFaults& link = device_->link;
  if (!link.heldCommand.empty()) return false;
  bool hold = false;
  if (!link.holdCode.empty() && command.rfind(link.holdCode, 0) == 0 && --link.holdCodeCount <= 0) {
    link.holdCode.clear();
    hold = true;
  }
  if (link.holdNth > 0 && --link.holdNth == 0) hold = true;
  if (!hold) return false;
  link.heldCommand = command;
  holdsReply_ = true;
  QPointer<SimSession> self(this);
  link.releaseHeld = [self] {
    if (self) self->ReleaseHeld();
  };
  return true;
}

void SimSession::ReleaseHeld() {
  QByteArray bytes = heldReply_;
  DropHeld();
  if (!bytes.isEmpty() && !dropped_) Send(bytes);
}

void SimSession::OnBytes(const QByteArray& bytes) {
  if (dropped_) return;
  std::vector<InFrame> frames = reader_.Feed(std::string(bytes.constData(), bytes.size()));
  for (const InFrame& f : frames) {
    HandleFrame(f);
    if (dropped_) return;
  }
}

void SimSession::HandleFrame(const InFrame& frame) {
  device_->CountFrame();
  if (TakenByLineFaults(frame)) return;
  Q_EMIT CommandReceived(
      QString::fromLatin1(frame.command.data(), static_cast<qsizetype>(frame.command.size())));
  const bool stop = frame.command == "5005";
  if (busy_ && !stop) {
    AnswerWhileBusy(frame.command);
    return;
  }
  holding_ = ShouldHold(frame.command);
  const Response response = device_->Handle(frame.command);
  Answer(frame.command, response);
  // A held reply is kept whole; line faults apply when it is released.
  holding_ = false;
  // After the stop's own reply, so that on a serial line it comes first.
  if (stop && response.kind == Response::Kind::Reply) device_->InterruptLongReport();
}

bool SimSession::TakenByLineFaults(const InFrame& frame) {
  LinkFaults& link = device_->link;
  if (link.dropNext) {
    link.dropNext = false;
    // A serial line cannot be dropped: the frame just goes unanswered.
    if (drop_) {
      dropped_ = true;
      drop_();
    }
    return true;
  }
  if (link.silent) return true;
  if (!frame.valid) {
    Send(Bytes(BuildNak()));
    return true;
  }
  if (link.nakFrames > 0) {
    --link.nakFrames;
    Send(Bytes(BuildNak()));
    return true;
  }
  return false;
}

void SimSession::AnswerWhileBusy(const std::string& command) {
  device_->NoteCommand(command);
  // Still printing a long report: only the status poll gets an answer.
  if (command == "1010") {
    int64_t now = MonotonicMs();
    pollIntervalMs_ = now - lastPollMs_;
    lastPollMs_ = now;
    Send(Bytes(BuildReply("1010", device_->BusyStatus1010())));
  } else {
    Send(Bytes(BuildRefusal(97)));
  }
}

void SimSession::Answer(const std::string& command, const Response& r) {
  switch (r.kind) {
    case Response::Kind::Reply:
      Send(Bytes(BuildReply(command, r.payload)));
      break;
    case Response::Kind::Refusal:
      Send(Bytes(BuildRefusal(r.code)));
      break;
    case Response::Kind::Long:
      // The lone ACK says "accepted, working"; the rest of the frame follows
      // when the report is printed.
      busy_ = true;
      busyDone_ = false;
      lastPollMs_ = MonotonicMs();
      pollIntervalMs_ = 0;
      busyRemainder_ = Bytes(BuildReply(command, r.payload)).mid(1);
      Send(QByteArray(1, ACK));
      busyTimer_->start(ScaledMs(r.busyMs));
      device_->SetReportInterrupt([self = QPointer<SimSession>(this)] {
        if (self && self->busy_) self->EndLongReport(true);
      });
      break;
    case Response::Kind::Binary:
      Send(BinaryReply(r.payload));
      break;
  }
}

QByteArray SimSession::BinaryReply(const std::string& file) {
  QByteArray out;
  out.reserve(static_cast<qsizetype>(file.size()) + 20);
  out += ACK;
  uint32_t n = static_cast<uint32_t>(file.size());
  out += static_cast<char>((n >> 24) & 0xFF);
  out += static_cast<char>((n >> 16) & 0xFF);
  out += static_cast<char>((n >> 8) & 0xFF);
  out += static_cast<char>(n & 0xFF);
  out += Bytes(file);
  // Trailer of 15 bytes, so that the whole is the file's length + 20.
  out += QByteArray(14, '0');
  out += ETX;
  return out;
}

void SimSession::FinishLongReport() {
  // The rest of the reply must not cross a status poll on the line, or the
  // client would read it as the poll's answer: once the client's poll period
  // is known, send halfway between two polls.
  if (!busyDone_ && pollIntervalMs_ > 0) {
    busyDone_ = true;
    int64_t now = MonotonicMs();
    int64_t at = lastPollMs_ + pollIntervalMs_ / 2;
    while (at < now) at += pollIntervalMs_;
    if (at - now > 0) {
      busyTimer_->start(static_cast<int>(at - now));
      return;
    }
  }
  EndLongReport(false);
}

void SimSession::EndLongReport(bool interrupted) {
  busyTimer_->stop();
  busy_ = false;
  device_->EndLongReport(interrupted);
  Send(std::exchange(busyRemainder_, {}));
}

void SimSession::Send(QByteArray bytes) {
  if (holding_) {
    heldReply_ += bytes;
    return;
  }
  LinkFaults& link = device_->link;
  if (link.cutNextReply >= 0) {
    bytes.truncate(link.cutNextReply);
    link.cutNextReply = -1;
  }
  if (bytes.isEmpty()) return;
  if (link.replyDelayMs > 0) {
    QTimer::singleShot(ScaledMs(link.replyDelayMs), this, [this, bytes] { Enqueue(bytes); });
    return;
  }
  Enqueue(bytes);
}

void SimSession::Enqueue(const QByteArray& bytes) {
  outQueue_ += bytes;
  if (!pumpTimer_->isActive()) Pump();
}

void SimSession::Pump() {
  if (outQueue_.isEmpty() || dropped_) return;
  int chunk = device_->link.chunkSize;
  if (chunk <= 0 || chunk >= outQueue_.size()) {
    QByteArray all = outQueue_;
    outQueue_.clear();
    write_(all);
    return;
  }
  QByteArray piece = outQueue_.left(chunk);
  outQueue_.remove(0, chunk);
  write_(piece);
  // A pause between pieces lets each arrive as its own read on the other side.
  pumpTimer_->start(1);
}

}  // namespace vorn::sim
