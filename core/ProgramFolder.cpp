#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdlib>

#include "core/LocalText.h"

namespace vorn {

std::string ProgramFolder(const std::string& chosen) {
  QString folder;
  if (!chosen.empty()) {
    folder = LocalText(chosen);
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

}  // namespace vorn
