#pragma once
// A JSON reply and its headers, written through a kept or a fresh responder.
#include <QByteArray>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QString>
#include <utility>
#include <vector>

namespace vorn {

using HeaderPairs = std::vector<std::pair<QByteArray, QByteArray>>;

struct Reply {
  int status = 200;
  QJsonObject body;  // empty for 204
  HeaderPairs headers;
};

// {"error": message, "status": status}.
Reply ErrorReply(int status, const QString& message, HeaderPairs headers = {});

// Writes the reply; false when the client has gone (nothing is written then).
bool SendReply(QHttpServerResponder& responder, const Reply& reply);

}  // namespace vorn
