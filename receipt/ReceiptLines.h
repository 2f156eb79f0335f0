#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// A receipt file's lines in one buffer: a line costs its bytes and four more,
// where a string each cost about 32 whatever its length.
class ReceiptLines {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    const_iterator(const ReceiptLines* owner, std::size_t index) : owner_(owner), index_(index) {}
    std::string_view operator*() const { return (*owner_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++index_;
      return old;
    }
    bool operator==(const const_iterator& other) const { return index_ == other.index_; }
    bool operator!=(const const_iterator& other) const { return index_ != other.index_; }

   private:
    const ReceiptLines* owner_ = nullptr;
    std::size_t index_ = 0;
  };

  ReceiptLines() = default;
  ReceiptLines(std::initializer_list<std::string_view> lines);
  // For lines built by hand (tests, tools); the driver splits files with SplitReceiptLines.
  ReceiptLines(const std::vector<std::string>& lines);  // NOLINT: implicit on purpose

  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_.data() + begin, ends_[i] - begin);
  }
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

  // Room for `lines` lines of `bytes` bytes in all, so that growing never doubles the memory.
  void reserve(std::size_t lines, std::size_t bytes);
  // Throws std::length_error past 4 GiB of text.
  void push_back(std::string_view line);
  void swap(ReceiptLines& other) noexcept;
  std::vector<std::string> ToStrings() const;

  friend bool operator==(const ReceiptLines& a, const ReceiptLines& b) {
    return a.ends_ == b.ends_ && a.text_ == b.text_;
  }

 private:
  std::string text_;                 // the lines back to back, without their breaks
  std::vector<std::uint32_t> ends_;  // where each line ends in text_
};

bool operator==(const ReceiptLines& a, const std::vector<std::string>& b);

}  // namespace vorn
