#pragma once
// The one reading of a decimal separator for 8-bit receipt text.

class QLocale;

namespace vorn {

// The locale's decimal point when it is one ASCII character, else '.': the
// 8-bit receipt text has one byte for it.
char DecimalSeparatorOf(const QLocale& locale);

// The system locale's decimal separator, taken once.
char SystemDecimalSeparator();

}  // namespace vorn
