#include "http/ReceiptBody.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include "core/Cp1252Text.h"

namespace vorn {

namespace {

ReceiptBody Refuse(int status, const QString& error) {
  ReceiptBody r;
  r.status = status;
  r.error = error;
  return r;
}

// "text/plain; charset=UTF-8" -> mime "text/plain", charset "utf-8".
void SplitContentType(const QByteArray& header, QByteArray& mime, QByteArray& charset) {
  const QList<QByteArray> parts = header.split(';');
  mime = parts.value(0).trimmed().toLower();
  for (qsizetype i = 1; i < parts.size(); ++i) {
    const QByteArray param = parts[i].trimmed();
    if (param.toLower().startsWith("charset=")) {
      charset = param.mid(8).trimmed().toLower();
      if (charset.size() >= 2 && charset.startsWith('"') && charset.endsWith('"')) {
        charset = charset.mid(1, charset.size() - 2);
      }
    }
  }
}

ReceiptBody FromJson(const QByteArray& body) {
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    return Refuse(400, "the body is not valid JSON: " + parseError.errorString());
  }
  const QJsonValue lines = doc.object().value(QStringLiteral("lines"));
  if (!doc.isObject() || !lines.isArray()) {
    return Refuse(400, QStringLiteral("the JSON body must be an object with an array \"lines\""));
  }
  ReceiptBody r;
  const QJsonArray array = lines.toArray();
  for (qsizetype i = 0; i < array.size(); ++i) {
    const QString where = QStringLiteral("lines[%1]").arg(i);
    if (!array[i].isString()) return Refuse(400, where + " is not a string");
    const QString text = array[i].toString();
    if (text.contains(QChar('\r')) || text.contains(QChar('\n'))) {
      return Refuse(400, where + " holds a line break; give one receipt line per string");
    }
    std::string line;
    QString bad;
    if (!TextToCp1252(text, line, bad)) {
      return Refuse(422, where + ": character " + DescribeCharacter(bad) +
                             " has no Windows-1252 code and cannot be printed");
    }
    r.fileBytes += line;
    r.fileBytes += "\r\n";
  }
  r.ok = true;
  return r;
}

}  // namespace

ReceiptBody ReceiptFromBody(const QByteArray& contentType, const QByteArray& body) {
  QByteArray mime;
  QByteArray charset;
  SplitContentType(contentType, mime, charset);
  if (mime == "application/json") return FromJson(body);
  if (!mime.isEmpty() && mime != "text/plain") {
    return Refuse(415, "content type " + QString::fromLatin1(mime) +
                           " is not accepted; send text/plain or application/json");
  }
  if (body.contains('\0')) return Refuse(400, QStringLiteral("the body is not text"));

  ReceiptBody r;
  if (charset == "utf-8" || charset == "utf8") {
    QString error;
    const Utf8Result result = Utf8ToCp1252(body, r.fileBytes, error);
    if (result != Utf8Result::Ok) return Refuse(result == Utf8Result::Malformed ? 400 : 422, error);
  } else if (charset.isEmpty() || charset == "windows-1252" || charset == "cp1252") {
    r.fileBytes.assign(body.constData(), static_cast<size_t>(body.size()));
  } else {
    return Refuse(415, "charset " + QString::fromLatin1(charset) +
                           " is not accepted; send windows-1252 or utf-8");
  }
  r.ok = true;
  return r;
}

}  // namespace vorn
