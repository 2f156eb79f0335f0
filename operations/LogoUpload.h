#pragma once
// Loading a graphic logo (a BMP file) into the device: 9100, chunks of 50 bytes
// with 9101, then 9102; the command file is written beside the program.
#include <functional>
#include <string>

#include "operations/ManualOperations.h"

namespace vorn {

// The window's side of the upload: the progress window and the disabled window.
struct LogoProgress {
  std::function<void(int chunks)> started;  // after 9100 was accepted
  std::function<void(int sent)> advanced;   // after each chunk
  std::function<void()> finished;           // before 9102, or when a chunk failed
};

class LogoUpload {
 public:
  explicit LogoUpload(ManualContext context) : ctx_(std::move(context)) {}
  // The picture was chosen and confirmed by the operator.
  ManualOutcome Run(const std::string& picturePath, const LogoProgress& progress);

 private:
  ManualContext ctx_;
};

}  // namespace vorn
