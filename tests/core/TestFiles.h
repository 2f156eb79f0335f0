#pragma once
// File helpers shared by the core tests.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <string>

#include "core/LocalText.h"

namespace vorn::test {

inline QString Q(const std::string& s) { return LocalText(s); }

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  QFile f(Q(path));
  if (f.open(QIODevice::WriteOnly)) f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  QFile f(Q(path));
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  return f.readAll().toStdString();
}

inline bool Exists(const std::string& path) { return QFileInfo::exists(Q(path)); }

inline void SetModified(const std::string& path, const QDateTime& when) {
  QFile f(Q(path));
  if (f.open(QIODevice::ReadWrite)) f.setFileTime(when, QFileDevice::FileModificationTime);
}

// A file of the given content written at the given time.
inline void WriteAged(const std::string& path, const QDateTime& when) {
  WriteBytes(path, "x\r\n");
  SetModified(path, when);
}

inline QDateTime DaysAgoAt(int days, int hour, int minute = 0) {
  return QDateTime(QDate::currentDate().addDays(-days), QTime(hour, minute));
}

}  // namespace vorn::test
