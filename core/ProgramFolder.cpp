#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <cstdlib>

namespace vorn {

std::string ProgramFolder(const std::string& chosen) {
  QString folder;
  if (!chosen.empty()) {
    folder = QString::fromLocal8Bit(chosen.data(), static_cast<qsizetype>(chosen.size()));
  } else if (const char* home = std::getenv("VORNDRV_HOME"); home && *home) {
    folder = QString::fromLocal8Bit(home);
  } else if (QCoreApplication::instance()) {
    folder = QCoreApplication::applicationDirPath();
  } else {
    folder = QDir::currentPath();
  }
  std::string out =
      QDir::toNativeSeparators(QDir(folder).absolutePath()).toLocal8Bit().toStdString();
  const char sep = QDir::separator().toLatin1();
  if (out.empty() || out.back() != sep) out += sep;
  return out;
}

char SystemDecimalSeparator() {
  static const char sep = [] {
    const QString dp = QLocale::system().decimalPoint();
    return (dp.size() == 1 && dp[0].unicode() < 0x80) ? dp[0].toLatin1() : '.';
  }();
  return sep;
}

}  // namespace vorn
