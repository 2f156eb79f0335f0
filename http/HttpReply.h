#pragma once
// A JSON reply and its headers, written through a kept or a fresh responder.
#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <utility>
#include <vector>

#include "http/HttpListener.h"

namespace vorn {

using HeaderPairs = std::vector<std::pair<QByteArray, QByteArray>>;

struct Reply {
  int status = 200;
  QJsonObject body;  // empty for 204
  HeaderPairs headers;
};

// {"error": message, "status": status}.
Reply ErrorReply(int status, const QString& message, HeaderPairs headers = {});

// The reply as it goes on the wire; usable on any thread.
HttpResponse ToResponse(const Reply& reply);

// Hands the reply to its connection (dropped there when the client has gone).
void SendReply(const HttpResponder& responder, const Reply& reply);

}  // namespace vorn
