#include "simulator/SimFields.h"

#include <cstdlib>

namespace vorn::sim {

std::string Pad0(int64_t value, int width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string FormatBani(int64_t bani) {
  std::string sign = bani < 0 ? "-" : "";
  int64_t a = bani < 0 ? -bani : bani;
  return sign + std::to_string(a / 100) + "." + Pad0(a % 100, 2);
}

int64_t FieldCursor::Number(size_t width) {
  std::string t = Text(width);
  if (!ok_ || !AllDigits(t) || width > 18) {
    ok_ = false;
    return 0;
  }
  return std::strtoll(t.c_str(), nullptr, 10);
}

std::string FieldCursor::Text(size_t width) {
  if (!ok_ || Remaining() < width) {
    ok_ = false;
    return {};
  }
  std::string t = data_.substr(pos_, width);
  pos_ += width;
  return t;
}

std::string FieldCursor::LengthPrefixed(size_t lenWidth) {
  int64_t n = Number(lenWidth);
  if (!ok_) return {};
  return Text(static_cast<size_t>(n));
}

std::string FieldCursor::Rest() {
  std::string t = data_.substr(pos_);
  pos_ = data_.size();
  return t;
}

}  // namespace vorn::sim
