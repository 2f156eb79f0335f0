#include <limits>

#include "receipt/Fields.h"

namespace vorn {

namespace {
// One limit for receipt fields and device replies alike.
constexpr std::size_t kLongestNumber = 255;
}  // namespace

bool IsNumericView(std::string_view text, char decimalSeparator) {
  if (text.empty() || text.size() > kLongestNumber) return false;
  const std::size_t minus = text.find('-');
  if (minus != std::string_view::npos && minus != 0) return false;
  const std::size_t plus = text.find('+');
  if (plus != std::string_view::npos && plus != 0) return false;
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == decimalSeparator) continue;
    return false;
  }
  return true;
}

bool ReadInt64View(std::string_view text, int64_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return false;
  // Accumulate as a negative number so that INT64_MIN is representable.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t acc = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    const int d = c - '0';
    if (acc < (kMin + d) / 10) return false;
    acc = acc * 10 - d;
  }
  if (!negative) {
    if (acc == kMin) return false;
    acc = -acc;
  }
  value = acc;
  return true;
}

int64_t ReadIntDefView(std::string_view text, int64_t def) {
  int64_t v = 0;
  return ReadInt64View(text, v) ? v : def;
}

bool IsBadFontView(std::string_view font, char decimalSeparator) {
  // Letters first: a letter font stays one even when it is also the separator.
  if (font.size() == 1 && font[0] >= 'A' && font[0] <= 'D') return false;
  if (!IsNumericView(font, decimalSeparator)) return true;
  const int64_t v = ReadIntDefView(font, 0);
  return v < 1 || v > 6;
}

bool IsTextTooLongView(std::string_view font, std::string_view text) {
  if (font.size() != 1) return true;
  std::size_t longest = 72;
  switch (font[0]) {
    case '1':
    case '2':
    case '3':
    case '4':
    case '6':
    case 'A':
      longest = 44;
      break;
    case '5':
      longest = 22;
      break;
    default:
      break;
  }
  return text.size() > longest;
}

bool IsNumeric(const std::string& text, char decimalSeparator) {
  return IsNumericView(text, decimalSeparator);
}
bool IsBadFont(const std::string& font, char decimalSeparator) {
  return IsBadFontView(font, decimalSeparator);
}
bool ReadInt64(const std::string& text, int64_t& value) { return ReadInt64View(text, value); }
int64_t ReadIntDef(const std::string& text, int64_t def) { return ReadIntDefView(text, def); }

}  // namespace vorn
