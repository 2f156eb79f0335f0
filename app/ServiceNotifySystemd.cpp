#include <systemd/sd-daemon.h>

#include <algorithm>
#include <cstdint>

#include "app/ServiceNotify.h"

namespace vorn::notify {

namespace {

// A line break would start a new assignment of the message.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return text;
}

void Send(const std::string& state) { sd_notify(0, state.c_str()); }

}  // namespace

void Ready(const std::string& status) { Send("READY=1\nSTATUS=" + OneLine(status)); }

void Status(const std::string& status) { Send("STATUS=" + OneLine(status)); }

void Stopping(const std::string& status) { Send("STOPPING=1\nSTATUS=" + OneLine(status)); }

void WatchdogPing() { Send("WATCHDOG=1"); }

std::chrono::milliseconds WatchdogPingInterval() {
  std::uint64_t usec = 0;
  if (sd_watchdog_enabled(0, &usec) <= 0 || usec == 0) return std::chrono::milliseconds{0};
  return std::max(
      std::chrono::milliseconds{1},
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::microseconds{usec / 2}));
}

}  // namespace vorn::notify
