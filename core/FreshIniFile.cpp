#include "core/FreshIniFile.h"

#include <QFileInfo>

#include "core/TextFiles.h"

namespace vorn {

std::optional<std::string> FreshIniFile::Get(const std::string& section, const std::string& key) {
  const QFileInfo info(QString::fromLocal8Bit(path_.c_str()));
  const qint64 size = info.exists() ? info.size() : -1;
  const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
  if (size != size_ || modified != modified_) {
    std::string bytes;
    if (size < 0 || !ReadFileBytes(path_, bytes)) bytes.clear();
    ini_ = IniFile(bytes);
    size_ = size;
    modified_ = modified;
  }
  return ini_.Get(section, key);
}

}  // namespace vorn
