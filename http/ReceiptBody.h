#pragma once
// The body of POST /receipts and POST /check as the bytes of a receipt file.
#include <QByteArray>
#include <QString>
#include <string>

namespace vorn {

inline constexpr qint64 kMaxBodyBytes = 1024 * 1024;

struct ReceiptBody {
  bool ok = false;
  int status = 400;       // the HTTP status when !ok
  QString error;          // why, for the client
  std::string fileBytes;  // Windows-1252, one line per receipt line, CR LF
};

// text/plain (Windows-1252, or UTF-8 when its charset says so) or
// application/json {"lines": ["...", ...]}; a missing type counts as text.
// The file's bytes take the body's own place: converting costs no memory.
ReceiptBody ReceiptFromBody(const QByteArray& contentType, std::string body);

}  // namespace vorn
