#include "core/ReceiptNames.h"

#include <cstdio>

namespace vorn {

std::string DeriveSuffix(const std::string& fileName) {
  const std::string base = fileName.substr(0, fileName.find('.'));
  return base.size() > 6 ? base.substr(6) : std::string();
}

std::string ProcessingTimestamp(int year, int month, int day, int hour, int minute, int second) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d_%02d_%02d_%02d_%02d_%02d", year, month, day, hour, minute,
                second);
  return buf;
}

std::string AnswerFileName(const std::string& suffix) {
  return std::string(kAnswerPrefix) + suffix + ".TXT";
}

std::string StampedFileName(const std::string& prefix, const std::string& suffix,
                            const std::string& timestamp) {
  return prefix + suffix + "_" + timestamp + ".TXT";
}

}  // namespace vorn
