#pragma once
// Serial port naming: port number n to a device path.
#include <map>
#include <string>

namespace vorn {

// Paths by port number, from the keys COM<n> of the serial-port section of the
// configuration. Replaces the previous map.
void SetSerialPortMap(std::map<int, std::string> map);

// The mapped path of port n when present, else "/dev/ttyS<n-1>" on Linux and
// "COM<n>" on Windows.
std::string SerialPortName(int n);

}  // namespace vorn
