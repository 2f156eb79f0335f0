#include <QTcpSocket>

#include "device/LinkTransport.h"

namespace vorn {

namespace {

class TcpTransport final : public LinkTransport {
 public:
  TcpTransport() {
    QObject::connect(&socket_, &QTcpSocket::connected, &socket_, [this] {
      connected_ = true;
      socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
      EmitState();
    });
    QObject::connect(&socket_, &QTcpSocket::disconnected, &socket_, [this] {
      connected_ = false;
      EmitState();
    });
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] {
      const QByteArray chunk = socket_.readAll();
      if (!chunk.isEmpty()) EmitBytes(chunk);
    });
    // Socket errors raise nothing: a refused or dropped connection only ends
    // the connect wait or the reply wait.
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, &socket_,
                     [this](QAbstractSocket::SocketError) {
                       if (socket_.state() != QAbstractSocket::ConnectedState) {
                         connected_ = false;
                         failed_ = true;
                       }
                       EmitState();
                     });
  }
  ~TcpTransport() override {
    QObject::disconnect(&socket_, nullptr, nullptr, nullptr);
    socket_.abort();
  }

  void Open(const std::string& target, int port) override {
    socket_.abort();
    connected_ = false;
    failed_ = false;
    socket_.connectToHost(QString::fromLocal8Bit(target.c_str()), static_cast<quint16>(port));
    if (socket_.state() == QAbstractSocket::UnconnectedState) failed_ = true;
  }

  void Close() override {
    if (socket_.state() != QAbstractSocket::UnconnectedState) {
      socket_.abort();
    }
    connected_ = false;
  }
  bool IsConnected() const override {
    return connected_ && socket_.state() == QAbstractSocket::ConnectedState;
  }
  bool HasFailed() const override { return failed_; }
  bool Write(const char* data, size_t n) override {
    if (!IsConnected()) return false;
    const bool ok = socket_.write(data, static_cast<qint64>(n)) == static_cast<qint64>(n);
    socket_.flush();
    return ok;
  }

 private:
  QTcpSocket socket_;
  bool connected_ = false;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<LinkTransport> MakeTcpTransport() { return std::make_unique<TcpTransport>(); }

}  // namespace vorn
