#pragma once
#include <string>

class QLocale;

namespace vorn {

// The program folder, which is also the work folder: `chosen` (the driver's
// --folder) when not empty, else VORNDRV_HOME when set, else the folder of the
// executable. Always ends with the platform separator.
std::string ProgramFolder(const std::string& chosen = {});

// The locale's decimal point when it is one ASCII character, else '.': the
// 8-bit receipt text has one byte for it.
char DecimalSeparatorOf(const QLocale& locale);

// The system locale's decimal separator, taken once.
char SystemDecimalSeparator();

}  // namespace vorn
