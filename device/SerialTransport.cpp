// The serial link where Qt's port reads by events (POSIX); Windows has its own.
#ifndef _WIN32
#include <QSerialPort>
#include <QThread>

#include "device/LinkTransport.h"
#include "device/PortDiagnosis.h"

namespace vorn {

namespace {

class SerialTransport final : public LinkTransport {
 public:
  SerialTransport() {
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] {
      const QByteArray chunk = port_.readAll();
      if (!chunk.isEmpty()) EmitBytes(chunk);
    });
  }
  ~SerialTransport() override {
    QObject::disconnect(&port_, nullptr, nullptr, nullptr);
    Close();
  }

  void Open(const std::string& target, int) override {
    Close();
    failed_ = false;
    detail_.clear();
    port_.setPortName(QString::fromLocal8Bit(target.c_str()));
    Configure(QSerialPort::HardwareControl);
    bool ok = port_.open(QIODevice::ReadWrite);
    if (!ok && port_.error() != QSerialPort::DeviceNotFoundError &&
        port_.error() != QSerialPort::PermissionError) {
      // Some ports refuse hardware flow control at open: open without it and
      // ask for it again afterwards, ignoring a refusal.
      port_.clearError();
      Configure(QSerialPort::NoFlowControl);
      ok = port_.open(QIODevice::ReadWrite);
      if (ok) port_.setFlowControl(QSerialPort::HardwareControl);
    }
    if (ok) {
      port_.setDataTerminalReady(true);
      port_.setRequestToSend(true);  // refused under hardware flow control; harmless
      port_.clearError();
    }
    failed_ = !ok;
    if (!ok) detail_ = SerialOpenFailure(target, port_.error() == QSerialPort::PermissionError);
    EmitState();
  }

  void Close() override {
    if (port_.isOpen()) port_.close();
  }
  bool IsConnected() const override { return port_.isOpen(); }
  bool HasFailed() const override { return failed_; }
  std::string FailureDetail() const override { return detail_; }
  void WaitForActivity(int ms) override {
    if (port_.isOpen()) {
      port_.waitForReadyRead(ms);  // also writes what is still buffered
    } else {
      QThread::msleep(static_cast<unsigned long>(ms > 0 ? ms : 0));
    }
  }
  bool Write(const char* data, size_t n) override {
    if (!port_.isOpen()) return false;
    return port_.write(data, static_cast<qint64>(n)) == static_cast<qint64>(n);
  }

 private:
  void Configure(QSerialPort::FlowControl flow) {
    port_.setBaudRate(QSerialPort::Baud115200);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(flow);
  }

  QSerialPort port_;
  bool failed_ = false;
  std::string detail_;
};

}  // namespace

std::unique_ptr<LinkTransport> MakeSerialTransport() { return std::make_unique<SerialTransport>(); }

}  // namespace vorn

#endif
