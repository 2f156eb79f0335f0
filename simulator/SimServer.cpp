#include "simulator/SimServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include "simulator/FiscalDevice.h"
#include "simulator/SimSession.h"

namespace vorn::sim {

SimServer::SimServer(FiscalDevice* device, QObject* parent) : QObject(parent), device_(device) {}

SimServer::~SimServer() { Stop(); }

bool SimServer::ListenTcp(const QString& address, quint16 port) {
  if (tcp_) {
    tcp_->close();
    tcp_->deleteLater();
  }
  tcp_ = new QTcpServer(this);
  QHostAddress host(address);
  if (host.isNull()) {
    lastError_ = "bad address " + address;
    return false;
  }
  if (!tcp_->listen(host, port)) {
    lastError_ = tcp_->errorString();
    return false;
  }
  connect(tcp_, &QTcpServer::newConnection, this, &SimServer::OnNewConnection);
  return true;
}

quint16 SimServer::TcpPort() const { return tcp_ && tcp_->isListening() ? tcp_->serverPort() : 0; }

void SimServer::OnNewConnection() {
  while (QTcpSocket* socket = tcp_->nextPendingConnection()) {
    socket->setParent(this);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    auto* session = new SimSession(
        device_, [socket](const QByteArray& b) { socket->write(b); }, [socket] { socket->abort(); },
        socket);
    connect(session, &SimSession::CommandReceived, this, &SimServer::CommandReceived);
    connect(socket, &QTcpSocket::readyRead, session,
            [socket, session] { session->OnBytes(socket->readAll()); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::errorOccurred, socket, [socket](QAbstractSocket::SocketError) {
      if (socket->state() == QAbstractSocket::UnconnectedState) socket->deleteLater();
    });
  }
}

void SimServer::Stop() {
  if (tcp_) {
    tcp_->close();
    delete tcp_;
    tcp_ = nullptr;
  }
  for (QTcpSocket* s : findChildren<QTcpSocket*>()) s->abort();
  ClosePty();
}

}  // namespace vorn::sim
