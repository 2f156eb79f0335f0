#pragma once
// Field encodings of the device command strings and the shared text checks.
// Pure functions on std::string (8-bit text); the only platform input is the
// system's decimal separator, taken once.
#include <concepts>
#include <cstdint>
#include <string>

// The number and font rules below are the receipt layer's (receipt/Fields.h),
// here with the system's decimal separator.
namespace vorn::wire {

// Decimal text of v (or t) left-padded with '0' to at least n characters; never cut.
std::string Pad0(int64_t v, int n);
std::string Pad0(const std::string& t, int n);
// t padded with spaces on the left / right to at least n characters; never cut.
std::string PadSpaceLeft(const std::string& t, int n);
std::string PadSpaceRight(const std::string& t, int n);

// Fixed-width amounts from whole units of their last digit: 7 integer digits +
// 2 decimals from hundredths (Money), 4 + 5 from hundred-thousandths
// (Quantity5), 6 + 3 from thousandths (Quantity3). Longer values are not cut;
// values beyond 9e18 units read as 9e18 (with their sign). Both parts of a
// negative value carry the sign ("0000000-1" for -1 hundredth): the device has
// always been sent negatives so.
std::string Money(int64_t hundredths);
std::string Quantity5(int64_t hundredThousandths);
std::string Quantity3(int64_t thousandths);
// A fractional amount here would silently lose its fraction.
template <std::floating_point T>
std::string Money(T) = delete;
template <std::floating_point T>
std::string Quantity5(T) = delete;
template <std::floating_point T>
std::string Quantity3(T) = delete;

// Every character is '0'..'9'; an empty text counts as digits.
bool IsDigits(const std::string& t);
// Not empty, at most 255 characters, only digits, '+', '-' and the decimal
// separator, with the first '-' and the first '+' (if any) in front.
bool IsNumeric(const std::string& t);
// Value of t when the whole text is a decimal integer (one optional sign, then
// digits, no blanks) within 64 bits, INT64_MIN included, else def.
int64_t ReadInt(const std::string& t, int64_t def);

// The system's decimal separator, read once.
char DecimalSeparator();

// Font of a text line: valid when exactly one of "A".."D", or numeric reading as 1..6.
bool IsBadFont(const std::string& font);
// Text longer than the font allows (44, 22 for "5", 72 for other single
// characters); a font not exactly one character long makes every text too long.
bool IsTextTooLong(const std::string& font, const std::string& text);

// Valid calendar date, years 1..9999 as given (no century added).
bool IsValidDate(int year, int month, int day);

// Every byte as two upper-case hexadecimal digits followed by one space.
std::string HexBytes(const char* data, size_t n);
// Every byte as two upper-case hexadecimal digits, no separators.
std::string HexText(const std::string& bytes);

}  // namespace vorn::wire
