#pragma once
// The places a fiscal device may hang on: serial devices and TCP addresses.
#include <string>
#include <vector>

namespace vorn::detect {

struct Candidate {
  std::string where;  // as printed: the device path, or host:port
  bool tcp = false;
  std::string path;  // serial device
  std::string host;
  int tcpPort = 9100;
  std::string heldBy;  // folder of a running driver that uses this port: not touched
};

// The serial devices of `devDir` named ttyS*, ttyUSB*, ttyACM*, in natural order.
std::vector<std::string> SystemSerialPorts(const std::string& devDir = "/dev");

// "host" or "host:port"; false for an empty host or a bad port.
bool ParseTcpAddress(const std::string& text, std::string& host, int& port);
Candidate SerialCandidate(const std::string& path);
Candidate TcpCandidate(const std::string& host, int port);

// The device paths of section [PorturiSeriale] of an XVORNDRV.INI.
std::vector<std::string> MappedPorts(const std::string& iniBytes);
// The port the driver of a folder uses by its XVORNDRV.INI: a serial path or
// an address, as a candidate.
Candidate PortOfConfiguration(const std::string& iniBytes);

// Adds a candidate unless the same device (by canonical path) or address is
// already in the list; returns its index.
size_t AddCandidate(std::vector<Candidate>& list, const Candidate& c);

// Marks the ports of folders whose lock a running driver holds (adding ports
// not yet listed), so that the scan leaves them alone.
void MarkPortsOfRunningDrivers(std::vector<Candidate>& list,
                               const std::vector<std::string>& folders);

}  // namespace vorn::detect
