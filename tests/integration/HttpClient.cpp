#include "tests/integration/HttpClient.h"

#include <QJsonDocument>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QUrl>

#include "tests/integration/DriverHarness.h"

namespace vorn::itest {

QByteArray HttpResult::Header(const QByteArray& name) const {
  for (const auto& [k, v] : headers) {
    if (k.compare(name, Qt::CaseInsensitive) == 0) return v;
  }
  return {};
}

QNetworkReply* HttpClient::Start(const QByteArray& method, const QString& path,
                                 const QByteArray& body, const Headers& headers) {
  QNetworkRequest request(QUrl(base_ + path));
  if (!token_.isEmpty()) request.setRawHeader("Authorization", "Bearer " + token_);
  for (const auto& [k, v] : headers) request.setRawHeader(k, v);
  return manager_.sendCustomRequest(request, method, body);
}

HttpResult HttpClient::Finish(QNetworkReply* reply) {
  HttpResult r;
  r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  r.body = reply->readAll();
  r.error = reply->error();
  r.json = QJsonDocument::fromJson(r.body).object();
  for (const auto& pair : reply->rawHeaderPairs()) r.headers.push_back(pair);
  reply->deleteLater();
  return r;
}

HttpResult HttpClient::Call(const QByteArray& method, const QString& path, const QByteArray& body,
                            const Headers& headers, int timeoutMs) {
  QNetworkReply* reply = Start(method, path, body, headers);
  if (!DriverHarness::WaitFor([reply] { return reply->isFinished(); }, timeoutMs)) {
    reply->abort();
  }
  return Finish(reply);
}

QByteArray RawExchange(const QString& address, quint16 port, const QByteArray& request,
                       int timeoutMs) {
  QTcpSocket socket;
  socket.connectToHost(address, port);
  if (!socket.waitForConnected(5000)) return {};
  socket.write(request);
  QByteArray got;
  const auto complete = [&got] {
    const qsizetype end = got.indexOf("\r\n\r\n");
    if (end < 0) return false;
    const qsizetype at = got.toLower().indexOf("content-length:");
    if (at < 0 || at > end) return false;
    const qsizetype eol = got.indexOf("\r\n", at);
    const qsizetype length = got.mid(at + 15, eol - at - 15).trimmed().toLongLong();
    return got.size() >= end + 4 + length;
  };
  DriverHarness::WaitFor(
      [&] {
        got += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState || complete();
      },
      timeoutMs);
  return got;
}

}  // namespace vorn::itest
