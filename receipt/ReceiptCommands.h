#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "receipt/CommandTable.h"
#include "receipt/Fields.h"
#include "receipt/ReceiptLines.h"

namespace vorn {

// One command line of a checked file as its run reads it: the command and its
// fields, split and read as numbers once, when the file was checked. A view:
// valid while the ReceiptCommands it came from lives.
class CommandLine {
 public:
  const CommandInfo* Command() const { return command_; }  // null: a port line
  std::string_view Text() const { return text_; }
  // Fields, the code included (a count past 255 reads 255).
  std::size_t Count() const { return count_; }
  bool Has(std::size_t i) const { return i < count_; }
  // Field i as written; empty when the line has none (or past the kept fields).
  std::string_view Field(std::size_t i) const;
  std::string Str(std::size_t i) const { return std::string(Field(i)); }
  // Field i as a whole number; `def` when it is missing or not a whole number.
  int64_t Int(std::size_t i, int64_t def = 0) const;
  // Int, clamped into int.
  int SmallInt(std::size_t i, int def = 0) const;
  // An amount, in the hundredths the file writes.
  int64_t Hundredths(std::size_t i) const { return Int(i, 0); }

 private:
  friend class ReceiptCommands;
  std::size_t Kept() const;

  const CommandInfo* command_ = nullptr;
  std::string_view text_;
  std::uint8_t count_ = 0;
  bool wideEnds_ = false;                 // ends_ holds two slots an end
  bool wideValues_ = false;               // values_ holds two slots a number
  std::uint16_t ints_ = 0;                // bit i: field i is a whole number
  const std::uint16_t* ends_ = nullptr;   // where fields 1.. end in text_
  const std::int32_t* values_ = nullptr;  // the whole numbers, in field order
};

// The command lines of one checked receipt file, in order, for its run. Kept
// small: a file of millions of short lines costs a few bytes a line here.
class ReceiptCommands {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = CommandLine;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = CommandLine;

    CommandLine operator*() const;
    const_iterator& operator++();
    bool operator==(const const_iterator& other) const { return head_ == other.head_; }
    bool operator!=(const const_iterator& other) const { return head_ != other.head_; }

   private:
    friend class ReceiptCommands;
    void SkipEmptyLines();

    const ReceiptCommands* owner_ = nullptr;
    std::size_t head_ = 0;
    std::size_t line_ = 0;
    std::size_t end_ = 0;
    std::size_t value_ = 0;
  };

  // Starts over for the lines of this file; they must outlive the commands.
  void Reset(const ReceiptLines& lines);
  // The next non-empty line of the file, split into `fields`; `command` null
  // for a port line.
  void Add(const CommandInfo* command, const LineFields& fields);

  std::size_t size() const { return heads_.size(); }
  bool empty() const { return heads_.empty(); }
  const_iterator begin() const;
  const_iterator end() const;

 private:
  // A line's head: its row (or kPortLine) in the low six bits, then whether its
  // ends and its numbers need the wide form. Most lines are short and their
  // numbers small: a file of sale lines costs about one and a half times its
  // size here, where plain 64-bit slots cost three.
  static constexpr std::uint8_t kPortLine = 0x3f;
  static constexpr std::uint8_t kWideEnds = 0x40;
  static constexpr std::uint8_t kWideValues = 0x80;
  struct Head {
    std::uint8_t row;
    std::uint8_t count;
    std::uint16_t ints;
  };
  static CommandLine Decode(const Head& head);

  const ReceiptLines* lines_ = nullptr;
  std::vector<Head> heads_;
  std::vector<std::uint16_t> ends_;
  std::vector<std::int32_t> values_;
};

}  // namespace vorn
