#pragma once
// Loopback addresses and ports found free at run time: two runs of the suite
// on one machine, or what a crashed run left listening, never collide.
#include <QCoreApplication>
#include <QHostAddress>
#include <QString>
#include <QTcpServer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorn::test {

// The first 127.0.<subnet>.x, x in [first, last], on which `listen` succeeds;
// empty when none does. Each call starts where the last one stopped (the first
// where the process id says), so one program gets a new address each time
// until it has gone round, and parallel programs seldom try the same one.
inline std::string FindLoopbackAddress(int subnet, int first, int last,
                                       const std::function<bool(const std::string&)>& listen) {
  static std::atomic<unsigned> next{static_cast<unsigned>(QCoreApplication::applicationPid()) *
                                    7919u};
  const unsigned span = static_cast<unsigned>(last - first + 1);
  for (unsigned i = 0; i < span; ++i) {
    const int x = first + static_cast<int>(next++ % span);
    const std::string address = "127.0." + std::to_string(subnet) + "." + std::to_string(x);
    if (listen(address)) return address;
  }
  return {};
}

// `count` distinct ports the system gives on `address`, all free when this
// returns; empty when it cannot. For programs that take no port 0.
inline std::vector<quint16> FreePorts(const std::string& address, int count) {
  std::vector<std::unique_ptr<QTcpServer>> held;  // held together, so the ports differ
  std::vector<quint16> ports;
  for (int i = 0; i < count; ++i) {
    held.push_back(std::make_unique<QTcpServer>());
    if (!held.back()->listen(QHostAddress(QString::fromStdString(address)), 0)) return {};
    ports.push_back(held.back()->serverPort());
  }
  return ports;
}

}  // namespace vorn::test
