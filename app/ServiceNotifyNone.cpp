// Platforms without systemd: nobody listens.
#include "app/ServiceNotify.h"

namespace vorn::notify {

void Ready(const std::string&) {}
void Status(const std::string&) {}
void Stopping(const std::string&) {}
void WatchdogPing() {}
std::chrono::milliseconds WatchdogPingInterval() { return std::chrono::milliseconds{0}; }

}  // namespace vorn::notify
