#include "detect/StoreDevice.h"

#include "core/Configuration.h"
#include "core/IniFile.h"

namespace vorn::detect {

namespace {

constexpr int kMaxComPort = 16;

// The COM number for a path: the one already mapped to it, else n for
// /dev/ttyS<n-1> when no other mapping takes n, else the configured port.
int ComNumberFor(const IniFile& ini, const std::string& path) {
  const auto map = SerialPortMapFrom(ini);
  for (const auto& [n, p] : map)
    if (p == path && n <= kMaxComPort) return n;
  const std::string ttyS = "/dev/ttyS";
  if (path.rfind(ttyS, 0) == 0) {
    int m = 0;
    if (ParseIniInteger(path.substr(ttyS.size()), m) && m >= 0 && m + 1 <= kMaxComPort &&
        map.find(m + 1) == map.end()) {
      return m + 1;
    }
  }
  int port = 1;
  if (auto v = ini.Get(kConfigSection, "Port"); !v || !ParseIniInteger(*v, port)) port = 1;
  return (port < 1 || port > kMaxComPort) ? 1 : port;
}

}  // namespace

Stored StoreDevice(const std::string& iniBytes, const Candidate& found) {
  Stored out;
  IniFile ini(iniBytes);
  if (found.tcp) {
    if (found.tcpPort != 9100) {
      out.summary = "driverul foloseste doar portul TCP 9100, nu " + std::to_string(found.tcpPort);
      return out;
    }
    ini.Set(kConfigSection, "Comunicatie", "1");
    ini.Set(kConfigSection, "IP", found.host);
    out.summary = "Comunicatie=1, IP=" + found.host;
  } else {
    const int n = ComNumberFor(ini, found.path);
    const std::string key = "COM" + std::to_string(n);
    ini.Set(kConfigSection, "Comunicatie", "0");
    ini.Set(kConfigSection, "Port", std::to_string(n));
    ini.Set(kSerialPortSection, key, found.path);
    out.summary = "Comunicatie=0, Port=" + std::to_string(n) + ", " + key + "=" + found.path;
  }
  out.ok = true;
  out.bytes = ini.ToBytes();
  return out;
}

}  // namespace vorn::detect
