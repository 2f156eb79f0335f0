#include "http/ReceiptIds.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>
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

bool IsReceiptId(const QString& text) {
  static const QRegularExpression kForm(QStringLiteral("^H[0-9]{13}[A-Z0-9]{4}$"));
  return kForm.match(text).hasMatch();
}

}  // namespace vorn
