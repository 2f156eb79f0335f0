#pragma once
// Frame codec shared by the device link and the simulator.
#include <cstddef>
#include <string>

namespace vorn {

constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;

// Sum of the bytes of "000" + command, modulo 100, as two digits.
std::string Checksum(const std::string& command);

// STX "000" command checksum ETX.
std::string BuildFrame(const std::string& command);

// The longest command whose frame fits the device's 1000-byte send buffer.
constexpr size_t kMaxCommandChars = 993;

// The frame has no escaping: STX inside a command starts a frame over at the
// device and ETX ends it early, so the rest would be read as a command of its own.
bool BreaksFraming(const std::string& command);

}  // namespace vorn
