#include "http/HttpReply.h"

#include <QJsonDocument>
#include <QTcpSocket>

namespace vorn {

Reply ErrorReply(int status, const QString& message, HeaderPairs headers) {
  Reply r;
  r.status = status;
  r.body["error"] = message;
  r.body["status"] = status;
  r.headers = std::move(headers);
  return r;
}

bool SendReply(QHttpServerResponder& responder, const Reply& reply) {
  QTcpSocket* socket = responder.socket();
  if (!socket || socket->state() != QAbstractSocket::ConnectedState) return false;
  const QByteArray body =
      reply.status == 204 ? QByteArray() : QJsonDocument(reply.body).toJson(QJsonDocument::Compact);
  responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(reply.status));
  if (reply.status != 204) {
    responder.writeHeader("Content-Type", "application/json; charset=utf-8");
  }
  responder.writeHeader("Cache-Control", "no-store");
  for (const auto& [name, value] : reply.headers) responder.writeHeader(name, value);
  responder.writeHeader("Content-Length", QByteArray::number(body.size()));
  responder.writeBody(body);
  // Sent now, not when the event loop comes round: slow work may follow.
  socket->flush();
  return true;
}

}  // namespace vorn
