#include "http/GuardedTcpServer.h"

#include <QRegularExpression>
#include <QTimer>

namespace vorn {

namespace {

// Room for the request line and the headers on top of the body.
constexpr qint64 kHeaderAllowance = 64 * 1024;
// How long a refused client may go on sending before the connection is closed.
constexpr int kDrainMs = 5000;

// Watches one connection; lives as a child of its socket.
class BodyGuard : public QObject {
 public:
  BodyGuard(QTcpSocket* socket, qint64 maxBody) : QObject(socket), socket_(socket), max_(maxBody) {
    setObjectName(kName);
  }
  static constexpr const char* kName = "vorn-body-guard";

  void Reset() {
    received_ = 0;
    atStart_ = true;
  }

  // Runs before the HTTP server's own reader, so what is available now is new.
  void OnReadyRead() {
    const qint64 fresh = socket_->bytesAvailable();
    if (atStart_ && fresh > 0) {
      atStart_ = false;
      const QByteArray start = socket_->peek(kHeaderAllowance);
      if (DeclaredLength(start) > max_) return Refuse();
      // The server never says "100 Continue", and curl would wait a second for it.
      if (AsksToContinue(start)) socket_->write("HTTP/1.1 100 Continue\r\n\r\n");
    }
    received_ += fresh;
    if (received_ > max_ + kHeaderAllowance) Refuse();
  }

 private:
  static qint64 DeclaredLength(const QByteArray& start) {
    const qsizetype end = start.indexOf("\r\n\r\n");
    static const QRegularExpression kLength(
        QStringLiteral("\\r\\ncontent-length:[ \\t]*(\\d{1,18})"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(end < 0 ? start : start.left(end));
    const QRegularExpressionMatch m = kLength.match(head);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
  }

  static bool AsksToContinue(const QByteArray& start) {
    const qsizetype end = start.indexOf("\r\n\r\n");
    static const QRegularExpression kExpect(QStringLiteral("\\r\\nexpect:[ \\t]*100-continue"),
                                            QRegularExpression::CaseInsensitiveOption);
    return end > 0 && kExpect.match(QString::fromLatin1(start.left(end))).hasMatch();
  }

  void Refuse() {
    // Nothing of this connection reaches the server any more; what the client
    // still sends is read and dropped so that it gets to read the answer.
    QObject::disconnect(socket_, &QTcpSocket::readyRead, nullptr, nullptr);
    QTcpSocket* socket = socket_;
    connect(socket, &QTcpSocket::readyRead, this, [socket] { socket->readAll(); });
    socket->readAll();
    const QByteArray body =
        QByteArrayLiteral("{\"error\":\"the body is larger than 1 MB\",\"status\":413}");
    socket->write(
        "HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\n"
        "Connection: close\r\nContent-Length: " +
        QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QTimer::singleShot(kDrainMs, socket, [socket] { socket->disconnectFromHost(); });
  }

  QTcpSocket* socket_;
  qint64 max_;
  qint64 received_ = 0;
  bool atStart_ = true;
};

}  // namespace

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
  auto* socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    delete socket;
    return;
  }
  auto* guard = new BodyGuard(socket, maxBody_);
  connect(socket, &QTcpSocket::readyRead, guard, [guard] { guard->OnReadyRead(); });
  addPendingConnection(socket);
}

void GuardedTcpServer::RequestHandled(QTcpSocket* socket) {
  if (!socket) return;
  if (auto* guard = socket->findChild<QObject*>(BodyGuard::kName, Qt::FindDirectChildrenOnly)) {
    static_cast<BodyGuard*>(guard)->Reset();
  }
}

}  // namespace vorn
