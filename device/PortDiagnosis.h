#pragma once
// Why a serial port or a TCP address could not be opened, in the program's
// language, for the log and standard error (never for the answer file).
#include <string>

namespace vorn {

// The reason for an errno value ("acces refuzat", "dispozitivul nu exista", ...).
std::string SystemReasonText(int err);

// The serial device at `path` did not open; `refused` when the serial library
// said permission denied, which it also says for a port another program holds.
// Looks at the path again to tell a missing device from a refused or busy one.
std::string SerialOpenFailure(const std::string& path, bool refused);

// The group owning the device at `path` ("dialout" on Debian); empty when unknown.
std::string DeviceGroupOf(const std::string& path);

}  // namespace vorn
