#include "receipt/ReceiptCommands.h"

#include <algorithm>
#include <bitset>
#include <cstring>

namespace vorn {

namespace {
constexpr std::size_t kIntBits = 16;
static_assert(LineFields::kMax <= kIntBits);

std::size_t KeptFields(const CommandInfo* command, std::size_t count) {
  return command ? std::min<std::size_t>(count, LineFields::kMax) : 0;
}
}  // namespace

std::size_t CommandLine::Kept() const { return KeptFields(command_, count_); }

std::string_view CommandLine::Field(std::size_t i) const {
  if (i == 0) return command_ ? std::string_view(command_->code) : text_.substr(0, text_.find(';'));
  if (i >= Kept()) return {};
  const std::size_t begin = i == 1 ? std::strlen(command_->code) + 1 : ends_[i - 2] + 1;
  return text_.substr(begin, ends_[i - 1] - begin);
}

int64_t CommandLine::Int(std::size_t i, int64_t def) const {
  if (i >= kIntBits || !((ints_ >> i) & 1u)) return def;
  const unsigned below = ints_ & ((1u << i) - 1u);
  return values_[std::bitset<kIntBits>(below).count()];
}

int CommandLine::SmallInt(std::size_t i, int def) const {
  const int64_t v = Int(i, def);
  if (v > 2147483647) return 2147483647;
  if (v < -2147483647) return -2147483647;
  return static_cast<int>(v);
}

void ReceiptCommands::Reset(const ReceiptLines& lines) {
  lines_ = &lines;
  std::vector<Head>().swap(heads_);
  std::vector<std::uint32_t>().swap(ends_);
  std::vector<std::int64_t>().swap(values_);
  // One head a line at most: reserving it whole keeps growth from doubling it.
  heads_.reserve(lines.size());
}

void ReceiptCommands::Add(const CommandInfo* command, const LineFields& fields) {
  Head head{command ? command->row : kPortLine,
            static_cast<std::uint8_t>(std::min<std::size_t>(fields.count, 255)), 0};
  const char* base = fields[0].data();
  for (std::size_t i = 1; i < KeptFields(command, fields.count); ++i) {
    const std::string_view field = fields[i];
    ends_.push_back(static_cast<std::uint32_t>(field.data() + field.size() - base));
    int64_t value = 0;
    if (ReadInt64View(field, value)) {
      head.ints = static_cast<std::uint16_t>(head.ints | (1u << i));
      values_.push_back(value);
    }
  }
  heads_.push_back(head);
}

ReceiptCommands::const_iterator ReceiptCommands::begin() const {
  if (heads_.empty()) return end();
  const_iterator it;
  it.owner_ = this;
  it.SkipEmptyLines();
  return it;
}

ReceiptCommands::const_iterator ReceiptCommands::end() const {
  const_iterator it;
  it.owner_ = this;
  it.head_ = heads_.size();
  return it;
}

void ReceiptCommands::const_iterator::SkipEmptyLines() {
  const ReceiptLines& lines = *owner_->lines_;
  while (line_ < lines.size() && lines[line_].empty()) ++line_;
}

CommandLine ReceiptCommands::const_iterator::operator*() const {
  const Head& head = owner_->heads_[head_];
  CommandLine line;
  line.command_ = head.row == kPortLine ? nullptr : &CommandAt(head.row);
  line.text_ = (*owner_->lines_)[line_];
  line.count_ = head.count;
  line.ints_ = head.ints;
  line.ends_ = owner_->ends_.data() + end_;
  line.values_ = owner_->values_.data() + value_;
  return line;
}

ReceiptCommands::const_iterator& ReceiptCommands::const_iterator::operator++() {
  const Head& head = owner_->heads_[head_];
  const std::size_t kept =
      KeptFields(head.row == kPortLine ? nullptr : &CommandAt(head.row), head.count);
  end_ += kept > 0 ? kept - 1 : 0;
  value_ += std::bitset<kIntBits>(head.ints).count();
  ++head_;
  ++line_;
  SkipEmptyLines();
  return *this;
}

void ReadCommands(const ReceiptLines& lines, ReceiptCommands& commands, ReceiptMarkers* markers) {
  commands.Reset(lines);
  if (markers) markers->Clear();
  LineFields fields;
  int commandLines = 0;
  for (const std::string_view line : lines) {
    SplitFieldsView(line, ';', fields);
    if (fields.count == 0) continue;
    ++commandLines;
    const CommandInfo* command = FindCommand(fields[0]);
    commands.Add(command, fields);
    if (markers && command) markers->Mark(*command);
  }
  if (markers) markers->Settle(commandLines);
}

}  // namespace vorn
