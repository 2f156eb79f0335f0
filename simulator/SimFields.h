#pragma once
// Fixed-width field reading and writing for the simulator's command parser.
#include <cstdint>
#include <optional>
#include <string>

namespace vorn::sim {

std::string Pad0(int64_t value, int width);
bool AllDigits(const std::string& text);  // non-empty, every character 0..9

// Readable amount of bani: -12.34, 0.05.
std::string FormatBani(int64_t bani);

// Reads fixed-width fields one after another; any malformed read marks the
// cursor bad so a handler can refuse the whole command once at the end.
class FieldCursor {
 public:
  explicit FieldCursor(const std::string& data) : data_(data) {}
  int64_t Number(size_t width);                 // digits only
  std::string Text(size_t width);               // raw characters
  std::string LengthPrefixed(size_t lenWidth);  // length digits then that many characters
  std::string Rest();
  bool AtEnd() const { return pos_ == data_.size(); }
  bool Ok() const { return ok_; }
  size_t Remaining() const { return data_.size() - pos_; }

 private:
  const std::string& data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace vorn::sim
