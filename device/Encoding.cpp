#include "device/Encoding.h"

#include <algorithm>

#include "base/DecimalSeparator.h"
#include "receipt/Fields.h"

namespace vorn::wire {

std::string Pad0(int64_t v, int n) { return Pad0(std::to_string(v), n); }

std::string Pad0(const std::string& t, int n) {
  if (static_cast<int64_t>(t.size()) >= n) return t;
  return std::string(static_cast<size_t>(n) - t.size(), '0') + t;
}

std::string PadSpaceLeft(const std::string& t, int n) {
  if (static_cast<int64_t>(t.size()) >= n) return t;
  return std::string(static_cast<size_t>(n) - t.size(), ' ') + t;
}

std::string PadSpaceRight(const std::string& t, int n) {
  if (static_cast<int64_t>(t.size()) >= n) return t;
  return t + std::string(static_cast<size_t>(n) - t.size(), ' ');
}

namespace {

std::string Fixed(int64_t units, int64_t scale, int intDigits, int fracDigits) {
  constexpr int64_t kLimit = 9'000'000'000'000'000'000;
  units = std::clamp(units, -kLimit, kLimit);
  // Integer part cut toward zero, fraction keeps the sign, as the device expects.
  return Pad0(units / scale, intDigits) + Pad0(units % scale, fracDigits);
}

}  // namespace

std::string Money(int64_t hundredths) { return Fixed(hundredths, 100, 7, 2); }
std::string Quantity5(int64_t hundredThousandths) {
  return Fixed(hundredThousandths, 100000, 4, 5);
}
std::string Quantity3(int64_t thousandths) { return Fixed(thousandths, 1000, 6, 3); }

bool IsDigits(const std::string& t) {
  for (char c : t)
    if (c < '0' || c > '9') return false;
  return true;
}

char DecimalSeparator() { return SystemDecimalSeparator(); }

bool IsNumeric(const std::string& t) { return vorn::IsNumericView(t, DecimalSeparator()); }

int64_t ReadInt(const std::string& t, int64_t def) { return vorn::ReadIntDefView(t, def); }

bool IsBadFont(const std::string& font) { return vorn::IsBadFontView(font, DecimalSeparator()); }

bool IsTextTooLong(const std::string& font, const std::string& text) {
  return vorn::IsTextTooLongView(font, text);
}

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int days = kDays[month - 1];
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && leap) days = 29;
  return day <= days;
}

std::string HexBytes(const char* data, size_t n) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.resize(n * 3);
  for (size_t i = 0; i < n; ++i) {
    unsigned char b = static_cast<unsigned char>(data[i]);
    out[3 * i] = kHex[b >> 4];
    out[3 * i + 1] = kHex[b & 15];
    out[3 * i + 2] = ' ';
  }
  return out;
}

std::string HexText(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    unsigned char b = static_cast<unsigned char>(c);
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

}  // namespace vorn::wire
