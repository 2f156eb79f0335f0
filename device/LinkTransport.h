#pragma once
// One small interface over the two ways to reach the device: a serial port and
// a TCP connection. Received bytes are handed on in chunks from inside
// WaitForActivity (or from the Qt event loop, where the link's thread turns
// one between waits).
#include <QByteArray>
#include <functional>
#include <memory>
#include <string>

namespace vorn {

class LinkTransport {
 public:
  using BytesHandler = std::function<void(const QByteArray&)>;
  using StateHandler = std::function<void()>;

  virtual ~LinkTransport() = default;

  // Serial: opens the port synchronously (target is the device path, port
  // unused). TCP: starts connecting to target:port; the outcome is reported
  // later through the state handler.
  virtual void Open(const std::string& target, int port) = 0;
  virtual void Close() = 0;
  // True while bytes can be written and may arrive.
  virtual bool IsConnected() const = 0;
  // True once an attempt to connect has ended without a connection.
  virtual bool HasFailed() const = 0;
  virtual bool Write(const char* data, size_t n) = 0;
  // Why the last attempt to connect failed (device path or address and the
  // system's reason); empty while nothing failed or the reason is unknown.
  virtual std::string FailureDetail() const { return {}; }
  // Blocks for at most ms until bytes arrive, a connection attempt ends or the
  // link drops, handing on what happened through the handlers. A connection
  // attempt is given all of ms: cutting it short would abandon it.
  virtual void WaitForActivity(int ms) = 0;

  void SetHandlers(BytesHandler onBytes, StateHandler onState) {
    onBytes_ = std::move(onBytes);
    onState_ = std::move(onState);
  }

 protected:
  void EmitBytes(const QByteArray& chunk) {
    if (onBytes_) onBytes_(chunk);
  }
  void EmitState() {
    if (onState_) onState_();
  }

 private:
  BytesHandler onBytes_;
  StateHandler onState_;
};

// 115200 8N1, RTS/CTS flow control, DTR and RTS on (failures to set the lines
// or the flow control are ignored: a pseudo-terminal refuses some of them).
// On Windows bytes are read only inside WaitForActivity, each read and write
// bounded by the port's time-outs.
std::unique_ptr<LinkTransport> MakeSerialTransport();
// Non-blocking TCP client.
std::unique_ptr<LinkTransport> MakeTcpTransport();

}  // namespace vorn
