#pragma once
// Tells the service manager (systemd) how the driver is doing. Built without
// libsystemd, or run without a manager, every call does nothing.
#include <chrono>
#include <string>

namespace vorn::notify {

// READY=1 with the first status line.
void Ready(const std::string& status);
// The line `systemctl status` shows (UTF-8, one line).
void Status(const std::string& status);
// STOPPING=1 with the status line.
void Stopping(const std::string& status);
void WatchdogPing();
// Half of the watchdog time the manager gives this process; zero when it
// expects no pings (none set, or meant for another process).
std::chrono::milliseconds WatchdogPingInterval();

}  // namespace vorn::notify
