#include <QTcpSocket>
#include <QThread>

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
                     [this](QAbstractSocket::SocketError error) {
                       if (socket_.state() != QAbstractSocket::ConnectedState) {
                         connected_ = false;
                         failed_ = true;
                         detail_ = Detail(error);
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
    detail_.clear();
    target_ = target + ":" + std::to_string(port);
    socket_.connectToHost(QString::fromLocal8Bit(target.c_str()), static_cast<quint16>(port));
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
      failed_ = true;
      if (detail_.empty()) detail_ = Detail(socket_.error());
    }
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
  std::string FailureDetail() const override { return detail_; }
  void WaitForActivity(int ms) override {
    switch (socket_.state()) {
      case QAbstractSocket::HostLookupState:
      case QAbstractSocket::ConnectingState:
        socket_.waitForConnected(ms);  // a refusal is reported through errorOccurred
        break;
      case QAbstractSocket::ConnectedState:
        socket_.waitForReadyRead(ms);  // also writes what is still buffered
        break;
      default:
        QThread::msleep(static_cast<unsigned long>(ms > 0 ? ms : 0));
        break;
    }
  }
  bool Write(const char* data, size_t n) override {
    if (!IsConnected()) return false;
    const bool ok = socket_.write(data, static_cast<qint64>(n)) == static_cast<qint64>(n);
    socket_.flush();
    return ok;
  }

 private:
  std::string Detail(QAbstractSocket::SocketError error) const {
    std::string reason;
    switch (error) {
      case QAbstractSocket::ConnectionRefusedError:
        reason = "conexiune refuzata";
        break;
      case QAbstractSocket::HostNotFoundError:
        reason = "adresa necunoscuta";
        break;
      case QAbstractSocket::NetworkError:
        reason = "retea inaccesibila";
        break;
      case QAbstractSocket::SocketTimeoutError:
        reason = "timp de asteptare depasit";
        break;
      case QAbstractSocket::RemoteHostClosedError:
        reason = "conexiune inchisa de casa de marcat";
        break;
      case QAbstractSocket::SocketAccessError:
        reason = "acces refuzat";
        break;
      default:
        reason = "eroare de retea (" + socket_.errorString().toStdString() + ")";
        break;
    }
    return "conexiunea TCP la " + target_ + " nu s-a putut face: " + reason;
  }

  QTcpSocket socket_;
  bool connected_ = false;
  bool failed_ = false;
  std::string target_;
  std::string detail_;
};

}  // namespace

std::unique_ptr<LinkTransport> MakeTcpTransport() { return std::make_unique<TcpTransport>(); }

}  // namespace vorn
