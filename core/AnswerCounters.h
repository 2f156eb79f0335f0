#pragma once
// The answers the driver wrote, counted by result and error code. Pure.
#include <cstdint>
#include <map>
#include <string>

namespace vorn {

class AnswerCounters {
 public:
  // `message` as given to the answer file: "0 OK", or the error ("8006;...").
  void Note(const std::string& message, int64_t nowMs);

  uint64_t Ok() const { return ok_; }
  // By code ("8006", "16"); "none" for a message without one.
  const std::map<std::string, uint64_t>& Errors() const { return errors_; }
  int64_t LastAnswerMs() const { return lastMs_; }                 // 0: none yet
  const std::string& LastMessage() const { return lastMessage_; }  // Windows-1252

  // The code an error message starts with, or "none".
  static std::string CodeOf(const std::string& message);

 private:
  uint64_t ok_ = 0;
  std::map<std::string, uint64_t> errors_;
  int64_t lastMs_ = 0;
  std::string lastMessage_;
};

}  // namespace vorn
