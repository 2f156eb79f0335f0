#include "core/AnswerCounters.h"

namespace vorn {

void AnswerCounters::Note(const std::string& message, int64_t nowMs) {
  lastMs_ = nowMs;
  lastMessage_ = message;
  if (message == "0 OK") {
    ++ok_;
  } else {
    ++errors_[CodeOf(message)];
  }
}

std::string AnswerCounters::CodeOf(const std::string& message) {
  const size_t semi = message.find(';');
  if (semi == 0 || semi == std::string::npos || semi > 5) return "none";
  for (size_t i = 0; i < semi; ++i) {
    if (message[i] < '0' || message[i] > '9') return "none";
  }
  return message.substr(0, semi);
}

}  // namespace vorn
