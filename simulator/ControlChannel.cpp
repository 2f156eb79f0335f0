#include "simulator/ControlChannel.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include "simulator/FiscalSimulator.h"

namespace vorn::sim {

namespace {
constexpr qsizetype kMaxLine = 4096;
}

ControlChannel::ControlChannel(FiscalSimulator* sim) : sim_(sim), server_(new QTcpServer(this)) {
  connect(server_, &QTcpServer::newConnection, this, &ControlChannel::OnNewConnection);
}

bool ControlChannel::Listen(const QString& address, quint16 port) {
  QHostAddress host(address);
  if (host.isNull() || !server_->listen(host, port)) {
    lastError_ = host.isNull() ? "bad address " + address : server_->errorString();
    return false;
  }
  return true;
}

quint16 ControlChannel::Port() const { return server_->isListening() ? server_->serverPort() : 0; }

void ControlChannel::OnNewConnection() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    socket->setParent(this);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
      while (socket->canReadLine()) {
        QString line = QString::fromLatin1(socket->readLine(kMaxLine)).trimmed();
        if (line == "quit" || line == "exit") {
          socket->disconnectFromHost();
          return;
        }
        QString answer = sim_->ApplyControl(line);
        if (!answer.endsWith('\n')) answer += '\n';
        socket->write(answer.toLatin1());
      }
      // A line that never ends is dropped rather than buffered without bound.
      if (socket->bytesAvailable() > kMaxLine) socket->readAll();
    });
  }
}

}  // namespace vorn::sim
