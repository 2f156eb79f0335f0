#include "detect/Candidates.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cctype>

#include "core/Configuration.h"
#include "core/IniFile.h"
#include "core/Settings.h"
#include "core/SingleInstance.h"
#include "core/TextFiles.h"

namespace vorn::detect {

namespace {

// "ttyS10" sorts after "ttyS2".
bool NaturalLess(const std::string& a, const std::string& b) {
  auto split = [](const std::string& s) {
    size_t i = s.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1]))) --i;
    const std::string digits = s.substr(i);
    return std::make_pair(s.substr(0, i), digits.empty() ? -1L : std::stol(digits.substr(0, 9)));
  };
  return split(a) < split(b);
}

std::string Canonical(const std::string& path) {
  const QString c = QFileInfo(QString::fromLocal8Bit(path.c_str())).canonicalFilePath();
  return c.isEmpty() ? path : c.toLocal8Bit().toStdString();
}

bool SameDevice(const Candidate& a, const Candidate& b) {
  if (a.tcp != b.tcp) return false;
  if (a.tcp) return a.host == b.host && a.tcpPort == b.tcpPort;
  return a.path == b.path || Canonical(a.path) == Canonical(b.path);
}

std::string WithSeparator(const std::string& folder) {
  return (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
}

}  // namespace

std::vector<std::string> SystemSerialPorts(const std::string& devDir) {
  const QDir dir(QString::fromLocal8Bit(devDir.c_str()));
  const QStringList names = dir.entryList({"ttyS*", "ttyUSB*", "ttyACM*"},
                                          QDir::System | QDir::Files | QDir::NoDotAndDotDot);
  std::vector<std::string> out;
  for (const QString& n : names) out.push_back(n.toLocal8Bit().toStdString());
  std::sort(out.begin(), out.end(), NaturalLess);
  for (std::string& n : out) n = WithSeparator(devDir) + n;
  return out;
}

bool ParseTcpAddress(const std::string& text, std::string& host, int& port) {
  host = text;
  port = 9100;
  if (const size_t colon = text.rfind(':'); colon != std::string::npos) {
    host = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](char ch) { return ch >= '0' && ch <= '9'; })) {
      return false;
    }
    port = std::stoi(digits);
    if (port < 1 || port > 65535) return false;
  }
  return !host.empty();
}

Candidate SerialCandidate(const std::string& path) {
  Candidate c;
  c.where = path;
  c.path = path;
  return c;
}

Candidate TcpCandidate(const std::string& host, int port) {
  Candidate c;
  c.tcp = true;
  c.host = host;
  c.tcpPort = port;
  c.where = host + ":" + std::to_string(port);
  return c;
}

std::vector<std::string> MappedPorts(const std::string& iniBytes) {
  std::vector<std::string> out;
  for (const auto& [n, path] : SerialPortMapFrom(IniFile(iniBytes))) out.push_back(path);
  return out;
}

Candidate PortOfConfiguration(const std::string& iniBytes) {
  const IniFile ini(iniBytes);
  Settings s;
  ApplyConfiguration(ini, s);
  if (s.UseTcp()) return TcpCandidate(s.IP, 9100);
  const auto map = SerialPortMapFrom(ini);
  const int n = s.ComNumber();
  if (auto it = map.find(n); it != map.end()) return SerialCandidate(it->second);
  return SerialCandidate("/dev/ttyS" + std::to_string(n - 1));
}

size_t AddCandidate(std::vector<Candidate>& list, const Candidate& c) {
  for (size_t i = 0; i < list.size(); ++i)
    if (SameDevice(list[i], c)) return i;
  list.push_back(c);
  return list.size() - 1;
}

void MarkPortsOfRunningDrivers(std::vector<Candidate>& list,
                               const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    const std::string dir = WithSeparator(folder);
    if (SingleInstance::HolderOf(dir) == 0) continue;
    std::string ini;
    if (!ReadFileBytes(dir + kConfigFileName, ini)) ini.clear();
    const Candidate port = PortOfConfiguration(ini);
    if (port.tcp && port.host.empty()) continue;
    const size_t i = AddCandidate(list, port);
    std::string shown = dir;
    if (shown.size() > 1) shown.pop_back();
    list[i].heldBy = shown;
  }
}

}  // namespace vorn::detect
