#pragma once
// A listening socket that refuses an oversized request before it is read into
// memory: the HTTP server buffers a whole body before its handler runs.
#include <QTcpServer>
#include <QTcpSocket>

namespace vorn {

class GuardedTcpServer : public QTcpServer {
  Q_OBJECT
 public:
  explicit GuardedTcpServer(qint64 maxBodyBytes, QObject* parent = nullptr)
      : QTcpServer(parent), maxBody_(maxBodyBytes) {}

  // Called when a request of this connection reached a handler: the next bytes
  // start the next request.
  static void RequestHandled(QTcpSocket* socket);

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  qint64 maxBody_;
};

}  // namespace vorn
