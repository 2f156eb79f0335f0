#include "receipt/CommandTable.h"

#include <array>

#include "receipt/LineChecks.h"

namespace vorn {

namespace {

using G = CommandGroup;
using E = FileEffect;

enum : std::uint8_t {
#define VORN_COMMAND(code, name, group, check, run, facts, effect) kRow##name,
#include "receipt/Commands.def"
  kRows
};

const CommandInfo kCommands[] = {
#define VORN_COMMAND(code, name, group, check, run, facts, effect) \
  {#code, #name, G::group, check, facts, E::effect, kRow##name},
#include "receipt/Commands.def"
};
static_assert(sizeof(kCommands) / sizeof(kCommands[0]) == kRows && kRows == kCommandCount);

// Every code is a number of at most four digits without a leading zero, so a
// direct index finds it without hashing.
constexpr int kIndexSize = 10000;

const std::array<const CommandInfo*, kIndexSize>& Index() {
  static const std::array<const CommandInfo*, kIndexSize> index = [] {
    std::array<const CommandInfo*, kIndexSize> a{};
    for (const CommandInfo& c : kCommands) {
      int n = 0;
      for (const char* p = c.code; *p; ++p) n = n * 10 + (*p - '0');
      a[static_cast<std::size_t>(n)] = &c;
    }
    return a;
  }();
  return index;
}

}  // namespace

const CommandInfo& CommandAt(std::size_t row) { return kCommands[row]; }

const CommandInfo* FindCommand(std::string_view code) {
  if (code.empty() || code.size() > 4) return nullptr;
  if (code.size() > 1 && code[0] == '0') return nullptr;
  int n = 0;
  for (char c : code) {
    if (c < '0' || c > '9') return nullptr;
    n = n * 10 + (c - '0');
  }
  return Index()[static_cast<std::size_t>(n)];
}

const CommandInfo* FindCommand(int code) {
  if (code < 0 || code >= kIndexSize) return nullptr;
  return Index()[static_cast<std::size_t>(code)];
}

}  // namespace vorn
