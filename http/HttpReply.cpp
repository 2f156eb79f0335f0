#include "http/HttpReply.h"

#include <QJsonDocument>

namespace vorn {

Reply ErrorReply(int status, const QString& message, HeaderPairs headers) {
  Reply r;
  r.status = status;
  r.body["error"] = message;
  r.body["status"] = status;
  r.headers = std::move(headers);
  return r;
}

HttpResponse ToResponse(const Reply& reply) {
  HttpResponse out;
  out.status = reply.status;
  if (reply.status != 204) {
    out.headers.emplace_back("Content-Type", "application/json; charset=utf-8");
    out.body = QJsonDocument(reply.body).toJson(QJsonDocument::Compact).toStdString();
  }
  out.headers.emplace_back("Cache-Control", "no-store");
  for (const auto& [name, value] : reply.headers) {
    out.headers.emplace_back(name.toStdString(), value.toStdString());
  }
  return out;
}

void SendReply(const HttpResponder& responder, const Reply& reply) {
  responder.Send(ToResponse(reply));
}

}  // namespace vorn
