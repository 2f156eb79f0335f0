#include "http/ReceiptBody.h"

#include <QList>

#include "http/FrontText.h"
#include "http/JsonLines.h"

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

// UTF-8 to Windows-1252 over the same bytes: a character never takes more
// bytes in the code page than in UTF-8.
ReceiptBody FromUtf8(std::string text) {
  size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  size_t out = 0;
  while (at < text.size()) {
    char32_t code = 0;
    if (!NextUtf8(text, at, code))
      return Refuse(400, QStringLiteral("the body is not valid UTF-8"));
    if (!FrontByteFor(code, text[out])) return Refuse(422, NoByteFor(code));
    ++out;
  }
  text.resize(out);
  ReceiptBody r;
  r.fileBytes = std::move(text);
  r.ok = true;
  return r;
}

}  // namespace

ReceiptBody ReceiptFromBody(const QByteArray& contentType, std::string body) {
  QByteArray mime;
  QByteArray charset;
  SplitContentType(contentType, mime, charset);
  if (mime == "application/json") return ReceiptFromJson(std::move(body));
  if (!mime.isEmpty() && mime != "text/plain") {
    return Refuse(415, "content type " + QString::fromLatin1(mime) +
                           " is not accepted; send text/plain or application/json");
  }
  if (body.find('\0') != std::string::npos) {
    return Refuse(400, QStringLiteral("the body is not text"));
  }
  if (charset == "utf-8" || charset == "utf8") return FromUtf8(std::move(body));
  if (!charset.isEmpty() && charset != "windows-1252" && charset != "cp1252") {
    return Refuse(415, "charset " + QString::fromLatin1(charset) +
                           " is not accepted; send windows-1252 or utf-8");
  }
  ReceiptBody r;
  r.fileBytes = std::move(body);
  r.ok = true;
  return r;
}

}  // namespace vorn
