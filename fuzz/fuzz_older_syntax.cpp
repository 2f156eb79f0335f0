// Arbitrary bytes as a file in the older syntax, with INI answers taken from
// the input too: the conversion yields only non-empty lines without breaks,
// never more than two per line read, and its result passes through the
// checker without harm.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "receipt/Fields.h"
#include "receipt/OlderSyntax.h"
#include "receipt/ReceiptMarkers.h"
#include "receipt/Validation.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Input: "<unit text>\n<reversal words>\n<file>"; a missing part is a missing key.
  const std::string all(reinterpret_cast<const char*>(data), size);
  const std::size_t first = all.find('\n');
  const std::size_t second = first == std::string::npos ? first : all.find('\n', first + 1);
  std::optional<std::string> unit;
  std::optional<std::string> words;
  std::string file = all;
  if (second != std::string::npos) {
    // An INI value never holds a line break.
    const auto value = [](std::string v) {
      v.erase(std::remove(v.begin(), v.end(), '\r'), v.end());
      return v;
    };
    unit = value(all.substr(0, first));
    words = value(all.substr(first + 1, second - first - 1));
    file = all.substr(second + 1);
  }
  const vorn::IniLookup ini = [&](const std::string& section,
                                  const std::string& key) -> std::optional<std::string> {
    if (section == "ConversieUM" && key.size() == 1) return unit;
    if (section == "ConversieStornoAvans" && key == "Cuvinte") return words;
    return std::nullopt;
  };

  vorn::ReceiptLines lines = vorn::SplitLines(file);
  std::size_t nonEmpty = 0;
  for (const std::string_view line : lines) nonEmpty += !line.empty();
  vorn::ConvertOlderSyntax(lines, ini);
  Require(lines.size() <= 2 * nonEmpty);
  for (const std::string_view line : lines) {
    Require(!line.empty());
    Require(line.find('\r') == std::string_view::npos && line.find('\n') == std::string_view::npos);
  }

  vorn::ValidationOptions opts;
  vorn::ReceiptMarkers markers;
  std::string error;
  Require(vorn::CheckReceiptFile(lines, markers, opts, error) == error.empty());
  return 0;
}
