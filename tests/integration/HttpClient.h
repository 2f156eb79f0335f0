#pragma once
// A real HTTP client for the tests of the HTTP front: Qt's network access
// manager, and a raw socket for what a well-behaved client never sends.
#include <QByteArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

namespace vorn::itest {

using Headers = std::vector<std::pair<QByteArray, QByteArray>>;

struct HttpResult {
  int status = 0;  // 0: no reply
  QByteArray body;
  QJsonObject json;
  QNetworkReply::NetworkError error = QNetworkReply::NoError;
  Headers headers;
  QByteArray Header(const QByteArray& name) const;
};

class HttpClient {
 public:
  // `token`, when given, goes with every request that carries no Authorization of its own.
  explicit HttpClient(QString base, QByteArray token = {})
      : base_(std::move(base)), token_(std::move(token)) {}

  // Sends now; the reply comes while the event loop runs.
  QNetworkReply* Start(const QByteArray& method, const QString& path, const QByteArray& body = {},
                       const Headers& headers = {});
  HttpResult Call(const QByteArray& method, const QString& path, const QByteArray& body = {},
                  const Headers& headers = {}, int timeoutMs = 60000);
  static HttpResult Finish(QNetworkReply* reply);

 private:
  QString base_;
  QByteArray token_;
  QNetworkAccessManager manager_;
};

// Writes `request` as it is and returns all the server sent back until it
// closed, or until a whole response arrived, or on time-out.
QByteArray RawExchange(const QString& address, quint16 port, const QByteArray& request,
                       int timeoutMs = 10000);

}  // namespace vorn::itest
