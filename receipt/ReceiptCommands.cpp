#include "receipt/ReceiptCommands.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstring>

namespace vorn {

namespace {
constexpr std::size_t kIntBits = 16;
static_assert(LineFields::kMax <= kIntBits);

std::size_t KeptFields(const CommandInfo* command, std::size_t count) {
  return command ? std::min<std::size_t>(count, LineFields::kMax) : 0;
}
}  // namespace

static_assert(kCommandCount < 0x3f, "a row must fit the head's six bits");

std::size_t CommandLine::Kept() const { return KeptFields(command_, count_); }

namespace {

// Slot k of a narrow or a wide array: a wide value spans two slots.
template <class Wide, class Narrow>
Wide Slot(const Narrow* slots, std::size_t k, bool wide) {
  if (!wide) return static_cast<Wide>(slots[k]);
  Wide v;
  std::memcpy(&v, slots + 2 * k, sizeof v);
  return v;
}

template <class Wide, class Narrow>
void Push(std::vector<Narrow>& slots, Wide v, bool wide) {
  if (!wide) {
    slots.push_back(static_cast<Narrow>(v));
    return;
  }
  Narrow two[2];
  std::memcpy(two, &v, sizeof v);
  slots.insert(slots.end(), two, two + 2);
}

}  // namespace

std::string_view CommandLine::Field(std::size_t i) const {
  if (i == 0) return command_ ? std::string_view(command_->code) : text_.substr(0, text_.find(';'));
  if (i >= Kept()) return {};
  const auto end = [this](std::size_t k) { return Slot<std::uint32_t>(ends_, k, wideEnds_); };
  const std::size_t begin = i == 1 ? std::strlen(command_->code) + 1 : end(i - 2) + 1;
  return text_.substr(begin, end(i - 1) - begin);
}

int64_t CommandLine::Int(std::size_t i, int64_t def) const {
  if (i >= kIntBits || !((ints_ >> i) & 1u)) return def;
  const unsigned below = ints_ & ((1u << i) - 1u);
  return Slot<std::int64_t>(values_, std::bitset<kIntBits>(below).count(), wideValues_);
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
  std::vector<std::uint16_t>().swap(ends_);
  std::vector<std::int32_t>().swap(values_);
  // One head a line at most: reserving it whole keeps growth from doubling it.
  heads_.reserve(lines.size());
}

void ReceiptCommands::Add(const CommandInfo* command, const LineFields& fields) {
  Head head{command ? command->row : kPortLine,
            static_cast<std::uint8_t>(std::min<std::size_t>(fields.count, 255)), 0};
  const char* base = fields[0].data();
  const std::size_t kept = KeptFields(command, fields.count);
  std::uint32_t ends[LineFields::kMax] = {};
  std::int64_t values[LineFields::kMax] = {};
  std::size_t numbers = 0;
  bool wideEnds = false;
  bool wideValues = false;
  for (std::size_t i = 1; i < kept; ++i) {
    const std::string_view field = fields[i];
    ends[i] = static_cast<std::uint32_t>(field.data() + field.size() - base);
    wideEnds = wideEnds || ends[i] > UINT16_MAX;
    int64_t value = 0;
    if (ReadInt64View(field, value)) {
      head.ints = static_cast<std::uint16_t>(head.ints | (1u << i));
      values[numbers++] = value;
      wideValues = wideValues || value < INT32_MIN || value > INT32_MAX;
    }
  }
  head.row = static_cast<std::uint8_t>(head.row | (wideEnds ? kWideEnds : 0) |
                                       (wideValues ? kWideValues : 0));
  for (std::size_t i = 1; i < kept; ++i) Push(ends_, ends[i], wideEnds);
  for (std::size_t k = 0; k < numbers; ++k) Push(values_, values[k], wideValues);
  heads_.push_back(head);
}

CommandLine ReceiptCommands::Decode(const Head& head) {
  CommandLine line;
  const std::uint8_t row = head.row & kPortLine;
  line.command_ = row == kPortLine ? nullptr : &CommandAt(row);
  line.count_ = head.count;
  line.ints_ = head.ints;
  line.wideEnds_ = (head.row & kWideEnds) != 0;
  line.wideValues_ = (head.row & kWideValues) != 0;
  return line;
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
  CommandLine line = Decode(owner_->heads_[head_]);
  line.text_ = (*owner_->lines_)[line_];
  line.ends_ = owner_->ends_.data() + end_;
  line.values_ = owner_->values_.data() + value_;
  return line;
}

ReceiptCommands::const_iterator& ReceiptCommands::const_iterator::operator++() {
  const CommandLine line = Decode(owner_->heads_[head_]);
  const std::size_t kept = line.Kept();
  end_ += (kept > 0 ? kept - 1 : 0) * (line.wideEnds_ ? 2 : 1);
  value_ += std::bitset<kIntBits>(line.ints_).count() * (line.wideValues_ ? 2 : 1);
  ++head_;
  ++line_;
  SkipEmptyLines();
  return *this;
}

}  // namespace vorn
