#pragma once
// The printed paper: plain text lines, 42 columns, Windows-1252 bytes as the
// device received them. Optionally mirrored into a file as it prints.
#include <string>
#include <vector>

namespace vorn::sim {

class PaperRoll {
 public:
  static constexpr size_t kWidth = 42;

  void Print(const std::string& line);
  // Left text and right text on one line, the right one flush with the edge.
  void PrintColumns(const std::string& left, const std::string& right);
  void PrintCentred(const std::string& line);
  void Rule(char c = '-');
  void Cut();

  const std::string& Text() const { return text_; }
  size_t LinesPrinted() const { return lines_; }
  void SetMirrorFile(const std::string& path);  // empty: no mirror

 private:
  std::string text_;
  size_t lines_ = 0;
  std::string mirror_;
};

}  // namespace vorn::sim
