#include "http/ReceiptIds.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

namespace vorn {

std::string NewReceiptId() {
  static qint64 last = 0;
  last = std::max(last + 1, QDateTime::currentMSecsSinceEpoch());
  char digits[32];
  std::snprintf(digits, sizeof digits, "%013lld", static_cast<long long>(last));
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string id = std::string("H") + digits;
  for (int i = 0; i < 4; ++i) {
    id += kAlphabet[QRandomGenerator::global()->bounded(36)];
  }
  return id;
}

bool IsReceiptIdText(std::string_view text) {
  if (text.size() != 18 || text[0] != 'H') return false;
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    if (!(digit || (i > 13 && c >= 'A' && c <= 'Z'))) return false;
  }
  return true;
}

bool IsReceiptId(const QString& text) {
  // A character outside Latin-1 becomes '?', which the form refuses.
  const QByteArray bytes = text.toLatin1();
  return IsReceiptIdText(std::string_view(bytes.constData(), size_t(bytes.size())));
}

}  // namespace vorn
