// The device link: construction, opening and closing, the send / wait / retry
// cycle, the busy poll and the receive handler.
#include "device/TXvornLinux.h"

#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

#include "base/Clock.h"
#include "device/Encoding.h"
#include "device/ErrorTables.h"
#include "device/Frame.h"
#include "device/SerialPorts.h"
#include "device/TXvornLinuxImpl.h"

namespace vorn {
using namespace wire;

std::string LogTime() {
  // Local time is worked out once per second: the conversion consults the time
  // zone files, and four log lines per command would pay for it each time.
  // Per thread: device detection runs one link per thread.
  thread_local int64_t cachedSecond = INT64_MIN;
  thread_local char hms[16];
  const int64_t ms = QDateTime::currentMSecsSinceEpoch();
  const int64_t second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
  if (second != cachedSecond) {
    const QTime t = QDateTime::fromMSecsSinceEpoch(second * 1000).time();
    std::snprintf(hms, sizeof hms, "%02d:%02d:%02d", t.hour(), t.minute(), t.second());
    cachedSecond = second;
  }
  char buf[24];
  std::snprintf(buf, sizeof buf, "%s:%03d", hms, static_cast<int>(ms - second * 1000));
  return buf;
}

void TXvornLinux::Impl::StartReplyDeadline() {
  replyDeadline = MonotonicMs() + ScaledMs(replyIntervalMs);
}

void TXvornLinux::Impl::StopReplyDeadline() { replyDeadline = 0; }

bool TXvornLinux::Impl::ReplyExpired() {
  if (replyDeadline != 0 && MonotonicMs() >= replyDeadline) {
    replyDeadline = 0;
    timedOut = true;
  }
  return timedOut;
}

int TXvornLinux::Impl::WaitSliceMs() const {
  // A stop is asked for from another thread: it is looked for this often.
  const int64_t kLongest = stop ? 50 : 1000;
  if (replyDeadline == 0) return static_cast<int>(kLongest);
  const int64_t left = replyDeadline - MonotonicMs();
  return static_cast<int>(left < 1 ? 1 : (left > kLongest ? kLongest : left));
}

TXvornLinux::TXvornLinux(bool isTcp, bool extendedStatus) : d(std::make_unique<Impl>()) {
  d->isTcp = isTcp;
  d->extendedStatus = extendedStatus;
  d->replyIntervalMs = isTcp ? 15000 : 5000;
}

TXvornLinux::~TXvornLinux() { CloseLink(); }

void TXvornLinux::Log(const char* tag, const std::string& text) {
  std::string line = LogTime();
  line.reserve(line.size() + 14 + text.size());
  line += tag;
  line += text;
  d->commLog.push_back(std::move(line));
}

std::vector<std::string> TXvornLinux::TakeCommLog() { return std::exchange(d->commLog, {}); }

void TXvornLinux::SetTcpPort(int port) { d->tcpPort = port; }
void TXvornLinux::SetSerialDevicePath(const std::string& path) { d->serialDevicePath = path; }
void TXvornLinux::SetLongTimeOut(int seconds) { d->longTimeOut = seconds; }
bool TXvornLinux::IsOpen() const { return d->open; }
bool TXvornLinux::UsesExtendedStatus() const { return d->extendedStatus; }

template <class Done>
void TXvornLinux::WaitUntil(Done done, int sliceMs) {
  // Blocks on the link itself: nothing else runs on this thread meanwhile.
  while (d->transport && !done())
    d->transport->WaitForActivity(sliceMs > 0 ? sliceMs : d->WaitSliceMs());
}

void TXvornLinux::TakeStrayBytes() {
  // What came after the last reply was waited for (a late or repeated reply)
  // is logged now and must not open the next one.
  if (d->transport && d->transport->IsConnected()) d->transport->WaitForActivity(0);
}

LinkOpening TXvornLinux::OpenLink(int port, int /*speedIndex*/, const std::string& host) {
  LinkOpening opening;
  CloseLink();
  d->open = false;
  if (!d->transport) {
    d->transport = d->isTcp ? MakeTcpTransport() : MakeSerialTransport();
    d->transport->SetHandlers([this](const QByteArray& chunk) { OnBytesReceived(chunk); },
                              [this] { d->tcpConnected = d->transport->IsConnected(); });
  }
  if (d->isTcp) {
    d->tcpConnected = false;
    d->transport->Open(host, d->tcpPort);
    // Up to 10 whole seconds (by truncation, so up to 11), on the monotonic clock.
    const int64_t start = MonotonicMs();
    const int64_t unit = ScaledMs(1000);
    WaitUntil(
        [&] {
          return d->tcpConnected || d->transport->HasFailed() ||
                 (MonotonicMs() - start) / unit > 10;
        },
        static_cast<int>(std::max<int64_t>(1, start + 11 * unit - MonotonicMs())));
    d->open = d->tcpConnected;
    if (!d->open) {
      opening.systemDetail = d->transport->FailureDetail();
      if (opening.systemDetail.empty()) {
        opening.systemDetail = "conexiunea TCP la " + host + ":" + std::to_string(d->tcpPort) +
                               " nu s-a putut face: casa de marcat nu raspunde";
      }
      d->transport->Close();
    }
  } else {
    const std::string path =
        d->serialDevicePath.empty() ? SerialPortName(port) : d->serialDevicePath;
    d->transport->Open(path, 0);
    d->open = d->transport->IsConnected();
    if (!d->open) {
      opening.systemDetail = d->transport->FailureDetail();
      if (opening.systemDetail.empty())
        opening.systemDetail = "portul serial " + path + " nu poate fi deschis";
    }
  }
  if (d->open) {
    opening.model = ReadDeviceModel();
    if (opening.model) {
      const std::string& model = opening.model.value;
      d->extendedStatus =
          model.find("M5") != std::string::npos || model.find("M4") != std::string::npos;
    }
  }
  opening.open = d->open;
  return opening;
}

void TXvornLinux::CloseLink() {
  if (d->transport) d->transport->Close();
  d->tcpConnected = false;
}

void TXvornLinux::SetReplyTimeout(int seconds) {
  int ms = 5000;
  if (seconds > 0) ms = seconds > 2000000 ? 2000000000 : seconds * 1000;
  if (ms == 0) ms = 5000;
  d->replyIntervalMs = ms;
}

void TXvornLinux::WriteFrame(const std::string& frame) {
  if (d->transport) d->transport->Write(frame.data(), frame.size());
  Log("-Calculator : ", HexBytes(frame.data(), frame.size()));
}

void TXvornLinux::WaitForReply() {
  auto linkDown = [this] { return !d->transport || !d->transport->IsConnected(); };
  WaitUntil([&] {
    if (d->rx.ReplyComplete() || d->ReplyExpired() || StopDue()) return true;
    if (linkDown()) d->timedOut = true;  // a dropped link sends nothing more
    return d->timedOut;
  });
}

CommandReply TXvornLinux::SendCommand(const std::string& command) {
  if (BreaksFraming(command)) return {8061, {}};  // not a byte of it is sent
  // Frames are copied into 1000-byte send buffers; a longer one would lose its
  // checksum and ETX, and the device would read whatever follows as its rest.
  if (command.size() > kMaxCommandChars) return {8062, {}};

  const std::string frame = BuildFrame(command);
  static const std::string pollFrame = BuildFrame("1010");
  d->rx.SetPollActive(false);
  d->rx.ClearReceive();
  d->waiting = true;

  int attempt = 1;
  do {
    d->timedOut = false;
    d->StartReplyDeadline();
    d->rx.ClearReceive();
    WriteFrame(frame);
    while (true) {
      WaitForReply();
      if (!d->rx.ReplyComplete() && !d->timedOut && StopStep()) continue;
      if (d->rx.ReplyComplete() || !d->timedOut) break;
      if (!BusyPollStep(pollFrame)) break;
    }
    if (d->rx.FirstByte() == static_cast<unsigned char>(NAK)) {
      ++attempt;
      d->rx.ResetReplyComplete();
    }
  } while (attempt <= 3 && !d->rx.ReplyComplete() && !d->timedOut);
  d->StopReplyDeadline();
  d->waiting = false;

  const unsigned char first = d->rx.FirstByte();
  CommandReply sent;
  if (first == static_cast<unsigned char>(NAK))
    sent.code = 8047;
  else if (d->timedOut)
    sent.code = 8048;
  if ((first == static_cast<unsigned char>(ACK) || first == static_cast<unsigned char>(NAK)) &&
      d->rx.LastByte() == static_cast<unsigned char>(ETX)) {
    sent.reply = d->rx.ReplyPayload();
    if (sent.reply.size() == 5 && sent.reply.compare(0, 3, "ERR") == 0)
      sent.code = static_cast<int>(ReadInt(sent.reply.substr(3, 2), 8047));
  }
  return sent;
}

void TXvornLinux::ExchangeBetweenFrames(const std::string& frame) {
  d->rx.SetPollActive(true);
  d->rx.ClearPoll();
  WriteFrame(frame);
  d->timedOut = false;
  d->StartReplyDeadline();
  WaitUntil([this] {
    if (d->rx.PollComplete() || d->ReplyExpired()) return true;
    if (!d->transport || !d->transport->IsConnected()) d->timedOut = true;
    return d->timedOut;
  });
}

bool TXvornLinux::BusyPollStep(const std::string& pollFrame) {
  if (!d->busyPollEnabled || d->rx.ReceiveLength() != 1 ||
      d->rx.FirstByte() != static_cast<unsigned char>(ACK))
    return false;
  ExchangeBetweenFrames(pollFrame);
  bool goOn = false;
  if (d->rx.PollComplete()) {
    const std::string status = d->rx.PollPayload();
    if (status.size() == 11 && status[7] == '1' && status[8] == '0' && status[9] == '0') {
      d->StopReplyDeadline();
      d->timedOut = true;  // the device is idle again: the command's own reply is not coming
    } else {
      d->timedOut = false;
      d->StartReplyDeadline();
      goOn = true;
    }
  } else {
    d->timedOut = true;
  }
  d->rx.SetPollActive(false);
  return goOn;
}

void TXvornLinux::SetReportStop(std::shared_ptr<ReportStop> stop) { d->stop = std::move(stop); }

void TXvornLinux::LogNote(const std::string& text) { Log("-Operator   : ", text); }

bool TXvornLinux::StopDue() const {
  return d->stop && d->rx.ReceiveLength() == 1 &&
         d->rx.FirstByte() == static_cast<unsigned char>(ACK) && d->stop->Pending();
}

bool TXvornLinux::StopStep() {
  if (!StopDue() || !d->stop->Take()) return false;
  static const std::string stopFrame = BuildFrame("5005");
  const int commandIntervalMs = d->replyIntervalMs;
  Log("-Calculator : ", "5005");
  d->replyIntervalMs = 30000;
  ExchangeBetweenFrames(stopFrame);
  d->rx.SetPollActive(false);
  int result = 8048;
  if (d->rx.PollComplete()) {
    const std::string reply = d->rx.PollPayload();
    result = reply.size() == 5 && reply.compare(0, 3, "ERR") == 0
                 ? static_cast<int>(ReadInt(reply.substr(3, 2), 8047))
                 : 0;
  }
  Log("-Ecr result : ", std::to_string(result));
  ReportStop::Result stopped{result == 0, {}};
  if (result != 0) {
    const char* text = result == 8048 ? "TIME OUT" : DeviceErrorMessage(result);
    stopped.message = kStopFailedText + std::to_string(result) + ";" + (text ? text : "");
  }
  d->stop->Finish(std::move(stopped));
  d->replyIntervalMs = commandIntervalMs;
  d->timedOut = false;
  d->StartReplyDeadline();
  return true;
}

void TXvornLinux::OnBytesReceived(const QByteArray& chunk) {
  Log("-Ecr        : ", HexBytes(chunk.constData(), static_cast<size_t>(chunk.size())));
  d->rx.Append(chunk.constData(), static_cast<size_t>(chunk.size()));
  if (d->waiting) d->StartReplyDeadline();  // the interval measures silence
}

CommandReply TXvornLinux::Exchange(const std::string& command, int seconds, int sends,
                                   const char* resultTag) {
  CommandReply sent;
  for (int i = 0; i < sends; ++i) {
    TakeStrayBytes();
    Log("-Calculator : ", command);
    SetReplyTimeout(seconds);
    sent = SendCommand(command);
    Log(resultTag, std::to_string(sent.code));
    if (sent.code == 0) break;
  }
  return sent;
}

LinkResult<std::string> TXvornLinux::Outcome(const CommandReply& sent) {
  if (sent.code != 0) return ErrorFor(sent.code);
  return sent.reply;
}

LinkResult<std::string> TXvornLinux::Run(const std::string& command, int seconds, int sends) {
  return Outcome(Exchange(command, seconds, sends));
}

LinkResult<std::string> TXvornLinux::Send(const std::string& command, int seconds, int sends) {
  if (!d->open) return ErrorFor(8001);
  return Run(command, seconds, sends);
}

// ---- hooks for tests and the fuzzer ----

void TXvornLinux::BeginReceptionForTest(bool lengthPrefixed, bool pollActive) {
  d->rx.SetPollActive(false);
  d->rx.ClearReceive();
  d->rx.ClearPoll();
  d->rx.SetLengthPrefixed(lengthPrefixed);
  d->rx.SetPollActive(pollActive);
}
bool TXvornLinux::ReplyCompleteForTest() const { return d->rx.ReplyComplete(); }
bool TXvornLinux::PollCompleteForTest() const { return d->rx.PollComplete(); }
size_t TXvornLinux::ReceiveLengthForTest() const { return d->rx.ReceiveLength(); }
size_t TXvornLinux::PollLengthForTest() const { return d->rx.PollLength(); }
std::string TXvornLinux::ReplyPayloadForTest() const { return d->rx.ReplyPayload(); }
std::string TXvornLinux::PollPayloadForTest() const { return d->rx.PollPayload(); }
std::string TXvornLinux::ExportFileBytes() const { return d->rx.ExportFileBytes(); }

}  // namespace vorn
