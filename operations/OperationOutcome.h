#pragma once
#include <string>

namespace vorn {

// What a dialog's device step reports back: on failure the text to show
// (Windows-1252, "\r" breaking lines) in a warning with the caption "Eroare".
struct OperationOutcome {
  bool ok = false;
  std::string message;
  // A report the operator stopped: ok, and the message says so.
  bool interrupted = false;
};

}  // namespace vorn
