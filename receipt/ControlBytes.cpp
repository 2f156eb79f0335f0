#include "receipt/ControlBytes.h"

#include <algorithm>

namespace vorn {

bool HasControlByte(std::string_view line) {
  return std::any_of(line.begin(), line.end(), IsControlByte);
}

std::string ShowControlBytes(std::string_view line) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(line.size() + 8);
  for (const char c : line) {
    if (!IsControlByte(c)) {
      out += c;
      continue;
    }
    const auto u = static_cast<unsigned char>(c);
    out += '<';
    out += kHex[u >> 4];
    out += kHex[u & 0x0F];
    out += '>';
  }
  return out;
}

}  // namespace vorn
