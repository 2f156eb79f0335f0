#include "execution/AnswerText.h"

#include <array>
#include <cstddef>

namespace vorn {

namespace {

struct TotalsField {
  const char* label;
  std::size_t offset;
  std::size_t width;
};

constexpr std::array<TotalsField, 32> kTotals{{
    {"Numar Bonuri Fiscale efectuate", 0, 4},
    {"Total zilnic", 4, 9},
    {"Total net TVA A", 13, 9},
    {"Total TVA A", 22, 9},
    {"Total net TVA B", 31, 9},
    {"Total TVA B", 40, 9},
    {"Total net TVA C", 49, 9},
    {"Total TVA C", 58, 9},
    {"Total net TVA D", 67, 9},
    {"Total TVA D", 76, 9},
    {"Total net TVA E", 85, 9},
    {"Total TVA E", 94, 9},
    {"Total net TVA F", 103, 9},
    {"Total TVA F", 112, 9},
    {"Total net TVA G", 121, 9},
    {"Total TVA G", 130, 9},
    {"Total net TVA H", 139, 9},
    {"Total TVA H", 148, 9},
    {"Numerar in sertar", 157, 9},
    {"Total sume neplatite", 166, 9},
    {"Numar Sume Retrase", 175, 4},
    {"Total Sume Retrase", 179, 9},
    {"Numar Sold Initial", 188, 4},
    {"Total Sold Initial", 192, 9},
    {"Numar Bonuri Anulate", 201, 4},
    {"Total Bonuri Anulate", 205, 9},
    {"Numar corectii", 214, 4},
    {"Total Corectii", 218, 9},
    {"Numar Discount-uri", 227, 4},
    {"Total Discount-uri", 231, 9},
    {"Numar Adaosuri", 240, 4},
    {"Total Adaosuri", 244, 9},
}};

std::string PadTo(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string LabelPrefix(const char* label) { return PadTo(label, 30) + "\t"; }

}  // namespace

std::vector<std::string> DailyTotalsText(const std::string& reply) {
  std::vector<std::string> lines;
  lines.reserve(kTotals.size());
  for (const TotalsField& f : kTotals) {
    std::string value = f.offset < reply.size() ? reply.substr(f.offset, f.width) : std::string();
    lines.push_back(LabelPrefix(f.label) + value);
  }
  return lines;
}

std::string TotalizerLine(int type, const std::string& value) {
  if (type < 1 || type > static_cast<int>(kTotals.size())) return {};
  return LabelPrefix(kTotals[static_cast<std::size_t>(type - 1)].label) + value;
}

std::string DisplayText(const std::string& first, const std::string& second) {
  return PadTo(first.substr(0, 20), 20) + PadTo(second.substr(0, 20), 20);
}

}  // namespace vorn
