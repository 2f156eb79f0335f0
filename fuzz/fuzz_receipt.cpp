// The whole validation pass on arbitrary bytes as a receipt file. The first
// byte chooses the older-syntax conversion, the decimal separator and the
// connected state; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "receipt/CommandTable.h"
#include "receipt/Fields.h"
#include "receipt/OlderSyntax.h"
#include "receipt/Validation.h"

namespace {

std::optional<std::string> FixedIni(const std::string& section, const std::string& key) {
  if (section == "ConversieUM" && key == "BUC") return std::string("buc");
  if (section == "ConversieUM" && key == "KG") return std::string("");
  if (section == "ConversieStornoAvans" && key == "Cuvinte") return std::string("STORNO;AVANS");
  return std::nullopt;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  vorn::ReceiptLines lines = vorn::SplitReceiptLines(bytes);
  {
    // The receipt splitter is the plain one with every run of empty lines cut to one.
    std::vector<std::string> plain = vorn::SplitLines(bytes);
    std::vector<std::string> cut;
    for (std::size_t i = 0; i < plain.size(); ++i) {
      if (plain[i].empty() && i > 0 && plain[i - 1].empty()) continue;
      cut.push_back(plain[i]);
    }
    Require(lines == cut);
  }

  // The view splitter and the list splitter agree on every line.
  for (const std::string_view text : lines) {
    const std::string line(text);
    std::vector<std::string> list = vorn::SplitFields(line, ';');
    vorn::LineFields view;
    vorn::SplitFieldsView(line, ';', view);
    Require(view.count == list.size());
    for (std::size_t i = 0; i < list.size() && i < vorn::LineFields::kMax; ++i) {
      Require(view[i] == list[i]);
    }
  }

  if (mode & 1) {
    vorn::ConvertOlderSyntax(lines, FixedIni);
    // Read lines hold no CR, so every converted line has text.
    for (const std::string_view line : lines) Require(!line.empty());
  }

  vorn::ValidationOptions opts;
  opts.decimalSeparator = (mode & 2) ? ',' : '.';
  opts.connected = (mode & 4) == 0;
  vorn::ReceiptMarkers markers;
  std::string error;
  const bool ok = vorn::CheckReceiptFile(lines, markers, opts, error);
  Require(ok == error.empty());
  if (ok) {
    // A passing file holds only known codes and port lines, and never mixes groups.
    Require(!(markers.HasFiscal && markers.HasNonFiscal));
    Require(!markers.HasSale || markers.HasPayment);
    for (const std::string_view view : lines) {
      const std::string line(view);
      vorn::LineFields f;
      vorn::SplitFieldsView(line, ';', f);
      if (f.count == 0) continue;
      Require(vorn::FindCommand(f[0]) != nullptr || vorn::IsPortLine(line));
    }
  }
  return 0;
}
