#pragma once
// The one device found, written into XVORNDRV.INI.
#include <string>

#include "detect/Candidates.h"

namespace vorn::detect {

struct Stored {
  bool ok = false;
  std::string bytes;    // the new file
  std::string summary;  // the keys set, or why nothing was
};

// Sets Comunicatie, Port and the [PorturiSeriale] entry (serial) or
// Comunicatie and IP (TCP); every other line stays byte for byte.
Stored StoreDevice(const std::string& iniBytes, const Candidate& found);

}  // namespace vorn::detect
