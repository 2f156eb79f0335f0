#include "device/SerialPorts.h"

#include <utility>

namespace vorn {

namespace {
std::map<int, std::string>& PortMap() {
  static std::map<int, std::string> map;
  return map;
}
}  // namespace

void SetSerialPortMap(std::map<int, std::string> map) { PortMap() = std::move(map); }

std::string SerialPortName(int n) {
  const auto& map = PortMap();
  if (auto it = map.find(n); it != map.end() && !it->second.empty()) return it->second;
#ifdef _WIN32
  return "COM" + std::to_string(n);
#else
  return "/dev/ttyS" + std::to_string(n - 1);
#endif
}

}  // namespace vorn
