#pragma once
// A scripted stand-in for the fiscal device on 127.0.0.1 (ephemeral port), on a
// thread of its own: it records every frame it receives and answers with
// whatever the test scripts.
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "base/CallOnThread.h"

namespace vorn::test {

// Reply frame carrying a payload: ACK, 4 header bytes, 4 echo bytes, payload,
// checksum (not examined by the link), ETX.
inline std::string Reply(const std::string& payload) {
  return std::string(
             "\x06\x02"
             "000"
             "ECHO",
             9) +
         payload + "00\x03";
}
inline std::string Refusal(const std::string& code2) {
  return std::string(
             "\x06\x02"
             "000"
             "ERR",
             8) +
         code2 + "00\x03";
}
inline std::string Nak() {
  return std::string(
      "\x15\x02"
      "000"
      "ECHO"
      "00\x03",
      12);
}
inline const std::string kAckOnly = std::string(1, '\x06');

class FakeDevice : public QObject {
 public:
  // The chunks to send back for one command string (empty: stay silent). Runs
  // on the device's own thread.
  using Script = std::function<std::vector<std::string>(const std::string& command)>;

  explicit FakeDevice(Script script) : script_(std::move(script)) {
    thread_.start();
    moveToThread(&thread_);
    OnThread([this] {
      server_ = new QTcpServer(this);
      server_->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
      QObject::connect(server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_->nextPendingConnection()) {
          client_ = s;
          QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { OnRead(s); });
        }
      });
    });
  }
  ~FakeDevice() override {
    OnThread([this] { delete server_; });
    thread_.quit();
    thread_.wait();
  }

  // f on the device's thread, where the script runs: for what the script reads.
  template <class F>
  auto OnThread(F f) -> decltype(f()) {
    return CallOnThreadOf(this, std::move(f));
  }

  quint16 Port() {
    return OnThread([this] { return server_->serverPort(); });
  }
  void DropClient() {
    OnThread([this] {
      if (client_) client_->abort();
    });
  }
  // Bytes sent unasked (a late or repeated reply); written out on return.
  void SendUnasked(const std::string& bytes) {
    OnThread([this, &bytes] {
      client_->write(bytes.data(), static_cast<qint64>(bytes.size()));
      client_->flush();
    });
  }
  // Whole frames as received, and the command strings inside them.
  std::vector<std::string> Frames() {
    return OnThread([this] { return frames_; });
  }
  std::vector<std::string> Commands() {
    return OnThread([this] { return commands_; });
  }
  void ClearRecorded() {
    OnThread([this] {
      frames_.clear();
      commands_.clear();
    });
  }
  // Pause between scripted chunks.
  void SetChunkGapMs(int ms) {
    OnThread([this, ms] { chunkGapMs_ = ms; });
  }

 private:
  void OnRead(QTcpSocket* s) {
    buffer_ += s->readAll().toStdString();
    for (;;) {
      const size_t stx = buffer_.find('\x02');
      const size_t etx = buffer_.find('\x03', stx == std::string::npos ? 0 : stx);
      if (stx == std::string::npos || etx == std::string::npos) return;
      const std::string frame = buffer_.substr(stx, etx - stx + 1);
      buffer_.erase(0, etx + 1);
      frames_.push_back(frame);
      const std::string command = frame.size() >= 7 ? frame.substr(4, frame.size() - 7) : "";
      commands_.push_back(command);
      Send(s, script_(command));
    }
  }

  void Send(QTcpSocket* s, std::vector<std::string> chunks) {
    if (chunkGapMs_ <= 0) {
      for (const auto& c : chunks) s->write(c.data(), static_cast<qint64>(c.size()));
      s->flush();
      return;
    }
    int delay = 0;
    for (const auto& c : chunks) {
      QTimer::singleShot(delay, s, [s, c] {
        s->write(c.data(), static_cast<qint64>(c.size()));
        s->flush();
      });
      delay += chunkGapMs_;
    }
  }

  QThread thread_;
  // Touched on thread_ only.
  Script script_;
  QTcpServer* server_ = nullptr;
  QTcpSocket* client_ = nullptr;
  std::string buffer_;
  std::vector<std::string> frames_;
  std::vector<std::string> commands_;
  int chunkGapMs_ = 0;
};

// Answers the model query with `model` and everything else from `answer`.
inline FakeDevice::Script WithModel(std::string model, FakeDevice::Script answer) {
  return [model, answer](const std::string& cmd) -> std::vector<std::string> {
    if (cmd == "1013") return {Reply(model)};
    return answer(cmd);
  };
}

}  // namespace vorn::test
