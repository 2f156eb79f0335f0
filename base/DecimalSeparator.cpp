#include "base/DecimalSeparator.h"

#include <QLocale>
#include <QString>

namespace vorn {

char DecimalSeparatorOf(const QLocale& locale) {
  const QString dp = locale.decimalPoint();
  return (dp.size() == 1 && dp[0].unicode() < 0x80) ? dp[0].toLatin1() : '.';
}

char SystemDecimalSeparator() {
  static const char sep = DecimalSeparatorOf(QLocale::system());
  return sep;
}

}  // namespace vorn
