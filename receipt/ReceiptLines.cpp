#include "receipt/ReceiptLines.h"

#include <limits>
#include <stdexcept>

namespace vorn {

ReceiptLines::ReceiptLines(std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) push_back(line);
}

ReceiptLines::ReceiptLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) push_back(line);
}

void ReceiptLines::reserve(std::size_t lines, std::size_t bytes) {
  ends_.reserve(lines);
  text_.reserve(bytes);
}

void ReceiptLines::push_back(std::string_view line) {
  if (line.size() > std::numeric_limits<std::uint32_t>::max() - text_.size()) {
    throw std::length_error("receipt file too large");
  }
  text_.append(line);
  ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

void ReceiptLines::swap(ReceiptLines& other) noexcept {
  text_.swap(other.text_);
  ends_.swap(other.ends_);
}

std::vector<std::string> ReceiptLines::ToStrings() const {
  return std::vector<std::string>(begin(), end());
}

bool operator==(const ReceiptLines& a, const std::vector<std::string>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace vorn
