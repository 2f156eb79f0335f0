#include "device/Frame.h"

namespace vorn {

std::string Checksum(const std::string& command) {
  unsigned sum = 3 * static_cast<unsigned char>('0');
  for (char c : command) sum += static_cast<unsigned char>(c);
  sum %= 100;
  std::string out(2, '0');
  out[0] = static_cast<char>('0' + sum / 10);
  out[1] = static_cast<char>('0' + sum % 10);
  return out;
}

std::string BuildFrame(const std::string& command) {
  std::string f;
  f.reserve(command.size() + 7);
  f += STX;
  f += "000";
  f += command;
  f += Checksum(command);
  f += ETX;
  return f;
}

bool BreaksFraming(const std::string& command) {
  return command.find_first_of(std::string{STX, ETX}) != std::string::npos;
}

}  // namespace vorn
