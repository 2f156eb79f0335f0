#pragma once
// What the service knows of its link to the device between tests: connected
// or not, the model, why the last test failed, and which change is worth a
// line in the log.
#include <optional>
#include <string>
#include <vector>

#include "core/DeviceProbe.h"

namespace vorn {

class ConnectionState {
 public:
  // Takes a test's outcome. Returns the log line it calls for (empty: none).
  std::string Apply(const ConnectionProbe& probe);
  // Sets the state directly (as after a test); returns the log line, if any.
  std::string Set(bool connected);

  bool Connected() const { return connected_; }
  bool Tested() const { return reported_.has_value(); }
  const std::string& ModelText() const { return modelText_; }
  // Why the last test failed (Windows-1252); empty when it did not.
  const std::string& LastError() const { return lastError_; }

 private:
  bool connected_ = false;
  std::optional<bool> reported_;
  std::string modelText_;
  std::string lastError_;
  std::string reportedError_;
};

// The console's warnings after the journal's free lines were read.
std::vector<std::string> JournalWarnings(int64_t freeLines);

}  // namespace vorn
