#pragma once
// Control bytes inside a receipt line. The device frame has no escaping, so a
// byte such as STX or ETX in a field would reach the device as framing.
#include <string>
#include <string_view>

namespace vorn {

// 0x00..0x1F except TAB, and DEL. CR and LF never stand inside a line.
constexpr bool IsControlByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u < 0x20 && u != '\t') || u == 0x7F;
}

bool HasControlByte(std::string_view line);

// The line with every control byte written as "<" two hex digits ">", so that
// quoting it in an answer file cannot break or truncate that file.
std::string ShowControlBytes(std::string_view line);

}  // namespace vorn
