#pragma once
#include <QDateTime>
#include <optional>
#include <string>

#include "core/IniFile.h"

namespace vorn {

// An INI file looked up afresh on every call, so a hand edit counts from the
// next look-up on; it is parsed again only when its size or time changed.
class FreshIniFile {
 public:
  explicit FreshIniFile(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> Get(const std::string& section, const std::string& key);

 private:
  std::string path_;
  qint64 size_ = -2;
  QDateTime modified_;
  IniFile ini_;
};

}  // namespace vorn
