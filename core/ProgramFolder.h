#pragma once
#include <string>

namespace vorn {

// The program folder, which is also the work folder: `chosen` (the driver's
// --folder) when not empty, else VORNDRV_HOME when set, else the folder of the
// executable. Always ends with the platform separator.
std::string ProgramFolder(const std::string& chosen = {});

}  // namespace vorn
