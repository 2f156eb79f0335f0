#pragma once
// What every manual operation of the console shares: the link made from the
// settings in force, the manual-operation time stamp and the operation's log.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/OperatorQuestions.h"
#include "core/Settings.h"
#include "device/TXvornLinux.h"

namespace vorn {

// The service state a manual operation reads; taken from the core at the click.
struct ManualContext {
  Settings settings;
  std::string programFolder;  // also the work folder; ends with a separator
  std::string logFolder;      // the Log folder, ends with a separator (may be empty)
  std::string historyFolder;  // the History folder, ends with a separator (may be empty)
  // The device-state check may ask the operator (printer error) and answer the
  // point-of-sale application; the answer file takes the last file's suffix.
  OperatorQuestions* questions = nullptr;
  std::function<void(const std::string&)> writeAnswer;
  // Runs the device part of an operation: `work` with the device to itself (on
  // the device's thread), then `done` on the console's. Unset: both at once.
  using DeviceStep = std::function<void(std::function<void()> work, std::function<void()> done)>;
  DeviceStep runOnDevice;
};

// Hands work and done to the context's runner (or runs them at once).
void RunOnDevice(const ManualContext& context, std::function<void()> work,
                 std::function<void()> done);

// Runs f at its end, however the scope is left: the marks an operation puts on
// a window (disabled buttons, wait cursor) are taken off by one of these.
class ScopeExit {
 public:
  explicit ScopeExit(std::function<void()> f) : f_(std::move(f)) {}
  ~ScopeExit() {
    if (f_) f_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  std::function<void()> f_;
};

// A link with M4 and the TCP/IP choice; LongTimeOut handed over when asked.
std::unique_ptr<TXvornLinux> CreateManualLink(const Settings& settings, bool withLongTimeOut);

// Opens with the selected COM number, the speed index and the IP text.
bool OpenManualLink(TXvornLinux& link, const Settings& settings);

// "ddmmyy_hh_mm_ss" of now.
std::string ManualTimestamp();

// Writes a link's traffic log as folder + prefix + stamp + ".TXT" (folder may be
// empty: the current working folder). False when it cannot be written.
bool SaveManualLog(const std::vector<std::string>& commLog, const std::string& folder,
                   const std::string& prefix, const std::string& stamp);

}  // namespace vorn
