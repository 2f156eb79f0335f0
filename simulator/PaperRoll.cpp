#include "simulator/PaperRoll.h"

#include <fstream>

namespace vorn::sim {

void PaperRoll::Print(const std::string& line) {
  std::string clean;
  clean.reserve(line.size());
  for (char c : line) clean += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
  clean += '\n';
  text_ += clean;
  ++lines_;
  if (!mirror_.empty()) {
    std::ofstream out(mirror_, std::ios::binary | std::ios::app);
    out << clean;
  }
}

void PaperRoll::PrintColumns(const std::string& left, const std::string& right) {
  size_t used = left.size() + right.size();
  if (used + 1 > kWidth) {
    Print(left);
    Print(std::string(right.size() < kWidth ? kWidth - right.size() : 0, ' ') + right);
    return;
  }
  Print(left + std::string(kWidth - used, ' ') + right);
}

void PaperRoll::PrintCentred(const std::string& line) {
  if (line.size() >= kWidth) {
    Print(line);
    return;
  }
  Print(std::string((kWidth - line.size()) / 2, ' ') + line);
}

void PaperRoll::Rule(char c) { Print(std::string(kWidth, c)); }

void PaperRoll::Cut() { Print(std::string(12, ' ') + "- - - - taiere - - - -"); }

void PaperRoll::SetMirrorFile(const std::string& path) { mirror_ = path; }

}  // namespace vorn::sim
