#include "receipt/OlderSyntax.h"

#include <algorithm>
#include <string_view>

#include "receipt/ControlBytes.h"
#include "receipt/Fields.h"

namespace vorn {

namespace {

__extension__ typedef __int128 Wide;

std::optional<std::string> Lookup(const IniLookup& ini, const char* section,
                                  const std::string& key) {
  if (!ini) return std::nullopt;
  return ini(section, key);
}

std::string_view MapPaymentCode(std::string_view code) {
  if (code == "7") return "5";
  if (code == "5") return "6";
  if (code == "6") return "7";
  return code;
}

std::string WideToText(Wide v) {
  if (v == 0) return "0";
  const bool negative = v < 0;
  std::string digits;
  while (v != 0) {
    const int d = static_cast<int>(v % 10);
    digits.push_back(static_cast<char>('0' + (d < 0 ? -d : d)));
    v /= 10;
  }
  if (negative) digits.push_back('-');
  std::reverse(digits.begin(), digits.end());
  return digits;
}

std::string ConvertSale(const LineFields& f, const IniLookup& ini) {
  const std::string_view name = f[1];
  const std::string unit = f.Has(3) ? ConvertUnit(std::string(f[3]), ini) : std::string();
  std::string quantity;
  if (f.Has(6)) quantity.assign(f[6]).append("00");
  const bool isReturn = f.Has(9) && f[9] == "-";
  std::string out;
  if (isReturn && IsAdvanceReversal(std::string(name), ini)) {
    // The amount of the line in hundredths, toward zero; wide so that no
    // product of two 64-bit fields overflows.
    const Wide value = static_cast<Wide>(ReadIntDefView(f[5], 0)) *
                       static_cast<Wide>(ReadIntDefView(quantity, 0)) / 100000;
    out.append("7;1;1;1;0;").append(WideToText(value)).append(";1\r2;1;").append(name);
    return out;
  }
  out.append("1;").append(name).append(";").append(unit).append(";1;").append(f[4]);
  out.append(";").append(f[5]).append(";").append(quantity).append(";1;");
  if (isReturn) out.push_back('-');
  return out;
}

std::size_t FindNoCase(std::string_view haystack, std::string_view needle) {
  if (needle.empty() || needle.size() > haystack.size()) {
    return needle.empty() ? 0 : std::string_view::npos;
  }
  for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && Cp1252Upper(haystack[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

std::string ConvertFiscalCode(const std::string& line, const LineFields& f) {
  constexpr std::string_view kMark = "CIF CLIENT";
  if (!f.Has(2)) return line;
  const std::string_view text = f[2];
  const std::size_t at = FindNoCase(text, kMark);
  if (at == std::string_view::npos) return line;
  std::string rest(text.substr(0, at));
  rest.append(text.substr(at + kMark.size()));
  std::string out = "11;B;" + rest;
  // Trimming the rest is implied: every blank of the produced line goes.
  out.erase(std::remove(out.begin(), out.end(), ' '), out.end());
  return out;
}

}  // namespace

std::string ConvertUnit(const std::string& code, const IniLookup& ini) {
  std::string unit = "UM" + code;
  if (code.empty()) return unit;
  if (auto v = Lookup(ini, "ConversieUM", code)) unit = *v;
  return unit;
}

bool IsAdvanceReversal(const std::string& name, const IniLookup& ini) {
  const std::string upperName = Cp1252Upper(name);
  const std::string words = Lookup(ini, "ConversieStornoAvans", "Cuvinte").value_or("");
  if (words.empty()) {
    return upperName.find("STORNO") != std::string::npos &&
           upperName.find("AVANS") != std::string::npos;
  }
  for (const std::string& word : SplitFields(words, ';')) {
    // An empty word occurs nowhere, so such a list matches no name.
    if (word.empty() || upperName.find(Cp1252Upper(word)) == std::string::npos) return false;
  }
  return true;
}

std::string ConvertOlderLine(const std::string& line, const IniLookup& ini) {
  // Left as written for validation to refuse: the conversion drops some fields,
  // and a control byte in one of them must not slip through unseen.
  if (HasControlByte(line)) return line;
  LineFields f;
  SplitFieldsView(line, ';', f);
  const std::string_view code = f[0];
  if (code == "1") return ConvertSale(f, ini);
  if (code == "12") return ConvertFiscalCode(line, f);
  if (code == "16") {
    const std::string_view flag = f[2] == "1" ? std::string_view("2") : f[2];
    std::string out("16;");
    out.append(f[1]).append(";").append(flag).append(";5;").append(f[3]);
    return out;
  }
  if (code == "25") {
    std::string out(f[1] == "1" ? "25;P;" : "25;D;");
    out.append(f[2]);
    return out;
  }
  if (code == "5") {
    std::string out("5;");
    out.append(f[1]).append(";").append(MapPaymentCode(f[2])).append(";").append(f[3]);
    out.append(";").append(f[4]);
    return out;
  }
  return line;
}

void ConvertOlderSyntax(ReceiptLines& lines, const IniLookup& ini) {
  ReceiptLines converted;
  std::size_t bytes = 0;
  for (std::string_view line : lines) bytes += line.size();
  converted.reserve(lines.size(), bytes);
  for (std::string_view line : lines) {
    if (line.empty()) continue;
    const std::string text = ConvertOlderLine(std::string(line), ini);
    const std::size_t cr = text.find('\r');
    if (cr == std::string::npos) {
      converted.push_back(text);
      continue;
    }
    // First and second part of the text split at CR; a line already holding
    // a CR keeps only what stands before its second one.
    const std::string_view whole(text);
    converted.push_back(whole.substr(0, cr));
    const std::size_t next = whole.find('\r', cr + 1);
    const std::string_view second = whole.substr(
        cr + 1, next == std::string_view::npos ? std::string_view::npos : next - cr - 1);
    if (!second.empty() || next != std::string_view::npos) converted.push_back(second);
  }
  lines.swap(converted);
}

}  // namespace vorn
