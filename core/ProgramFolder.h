#pragma once
#include <string>

namespace vorn {

// The program folder, which is also the work folder: VORNDRV_HOME when set,
// else the folder of the executable. Always ends with the platform separator.
std::string ProgramFolder();

// The system locale's decimal separator, taken once.
char SystemDecimalSeparator();

}  // namespace vorn
