#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "receipt/ReceiptLines.h"

namespace vorn {

// Splits at one separator, in order, without trimming. Empty pieces between
// separators are kept, a trailing separator adds no field and an empty text
// gives none. Appends to `out`, never clears it.
void SplitFields(const std::string& text, char sep, std::vector<std::string>& out);
std::vector<std::string> SplitFields(const std::string& text, char sep);

// Lines break at CR LF, CR or LF; the last line needs no break.
std::vector<std::string> SplitLines(const std::string& fileBytes);
// SplitLines for a receipt file: a run of empty lines is kept as one. An empty
// line carries no command, and one per run keeps what its neighbours see, while
// a file of millions of line breaks no longer costs a string for each.
ReceiptLines SplitReceiptLines(const std::string& fileBytes);

// Field 0, trimmed of blanks and upper-cased, begins with "COM".
bool IsPortLine(const std::string& line);
// The number after "COM" (COM3 -> 3); 0 when there is none.
int PortLineNumber(const std::string& line);

// The number and font rules, one copy for the receipt checks and the device
// layer (device/Encoding passes the system separator).
//
// Not empty, at most 255 characters, only digits, '+', '-' and the decimal
// separator, with the first '-' and the first '+' (if any) in front.
bool IsNumeric(const std::string& text, char decimalSeparator);
// Font of a text line: valid when exactly one of "A".."D", or numeric reading
// as 1..6.
bool IsBadFont(const std::string& font, char decimalSeparator);
// True when the whole field is a decimal integer (one optional sign, then
// digits, no blanks) within 64 bits, INT64_MIN included.
bool ReadInt64(const std::string& text, int64_t& value);
// The field's value when it is a whole integer, otherwise `def`.
int64_t ReadIntDef(const std::string& text, int64_t def);

// Windows-1252 upper case (ASCII and the Latin letters of the code page).
char Cp1252Upper(char c);
std::string Cp1252Upper(std::string_view text);

// ---- Views for the validation pass: no allocation per line. ----

bool IsNumericView(std::string_view text, char decimalSeparator);
bool IsBadFontView(std::string_view font, char decimalSeparator);
// Text longer than the font allows (44, 22 for "5", 72 for other single
// characters); a font not exactly one character long makes every text too long.
bool IsTextTooLongView(std::string_view font, std::string_view text);

inline bool IsTextTooLong(const std::string& font, const std::string& text) {
  return IsTextTooLongView(font, text);
}
bool ReadInt64View(std::string_view text, int64_t& value);
int64_t ReadIntDefView(std::string_view text, int64_t def);
bool IsPortLineView(std::string_view line);

// The fields of one line as views into it, with the true field count. Only the
// first kMax fields are kept: no command reads further, and a line of millions
// of separators must not cost millions of strings.
struct LineFields {
  static constexpr std::size_t kMax = 12;
  std::string_view field[kMax];
  std::size_t count = 0;

  bool Has(std::size_t i) const { return i < count; }
  // Field i, or an empty view when the line has no such field.
  std::string_view operator[](std::size_t i) const {
    return (i < count && i < kMax) ? field[i] : std::string_view{};
  }
};
void SplitFieldsView(std::string_view text, char sep, LineFields& out);

}  // namespace vorn
