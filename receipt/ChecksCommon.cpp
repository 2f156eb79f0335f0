#include "receipt/LineChecks.h"

namespace vorn {

bool Fail(std::string& error, const char* code, const char* message, const LineContext& c) {
  const std::string_view line = c.Line();
  error.clear();
  error.reserve(line.size() + 80);
  error.append(code).append(";").append(message).append(line);
  return false;
}

bool FailNoCode(std::string& error, const char* message, const LineContext& c) {
  error.assign(message).append(c.Line());
  return false;
}

bool IsWholeNumber(const LineContext& c, std::size_t i) {
  int64_t v = 0;
  return c.Numeric(i) && ReadInt64View(c.Field(i), v);
}

bool IsAmount(const LineContext& c, std::size_t i) {
  int64_t v = 0;
  return c.Numeric(i) && ReadInt64View(c.Field(i), v) && v >= -kLargestAmount &&
         v <= kLargestAmount;
}

bool InRange(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }

bool IsCalendarDate(int64_t year, int64_t month, int64_t day) {
  if (!InRange(year, 1, 9999) || !InRange(month, 1, 12) || day < 1) return false;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int64_t last = (month == 2 && leap) ? 29 : kDays[month - 1];
  return day <= last;
}

}  // namespace vorn
