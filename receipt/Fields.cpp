#include "receipt/Fields.h"

#include <algorithm>
#include <cstring>

namespace vorn {

void SplitFields(const std::string& text, char sep, std::vector<std::string>& out) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t pos = text.find(sep, start);
    if (pos == std::string::npos) break;
    out.emplace_back(text, start, pos - start);
    start = pos + 1;
  }
  if (start < text.size()) out.emplace_back(text, start, std::string::npos);
}

std::vector<std::string> SplitFields(const std::string& text, char sep) {
  std::vector<std::string> out;
  SplitFields(text, sep, out);
  return out;
}

void SplitFieldsView(std::string_view text, char sep, LineFields& out) {
  out.count = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end && out.count < LineFields::kMax) {
    const void* hit = std::memchr(p, sep, static_cast<std::size_t>(end - p));
    if (!hit) {
      out.field[out.count++] = std::string_view(p, static_cast<std::size_t>(end - p));
      return;
    }
    const char* q = static_cast<const char*>(hit);
    out.field[out.count++] = std::string_view(p, static_cast<std::size_t>(q - p));
    p = q + 1;
  }
  if (p < end) {
    // Past the kept fields only the count matters: one field per separator,
    // and one more for text after the last separator.
    out.count += static_cast<std::size_t>(std::count(p, end, sep)) + (end[-1] != sep ? 1 : 0);
  }
}

namespace {

void Reserve(std::vector<std::string>& lines, std::size_t count, std::size_t /*bytes*/) {
  lines.reserve(count);
}
void Reserve(ReceiptLines& lines, std::size_t count, std::size_t bytes) {
  lines.reserve(count, bytes);
}

void Add(std::vector<std::string>& lines, const char* p, std::size_t n) {
  lines.emplace_back(p, n);
}
void Add(ReceiptLines& lines, const char* p, std::size_t n) {
  lines.push_back(std::string_view(p, n));
}

template <class Lines>
Lines SplitLinesOf(const std::string& fileBytes, bool oneBlankPerRun) {
  Lines lines;
  const char* data = fileBytes.data();
  const std::size_t n = fileBytes.size();
  // Counting first keeps a file of many short lines from doubling the list's
  // memory while it grows.
  std::size_t kept = 0;
  std::size_t breaks = 0;
  bool lastBlank = false;
  std::size_t start = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const char c = data[k];
    if (c != '\n' && c != '\r') continue;
    const bool blank = k == start;
    ++breaks;
    kept += !(oneBlankPerRun && blank && lastBlank);
    lastBlank = blank;
    if (c == '\r' && k + 1 < n && data[k + 1] == '\n') {
      ++k;
      ++breaks;
    }
    start = k + 1;
  }
  Reserve(lines, kept + 1, n - breaks);
  lastBlank = false;
  start = 0;
  std::size_t i = 0;
  while (i < n) {
    const char c = data[i];
    if (c == '\r' || c == '\n') {
      const bool blank = i == start;
      if (!(oneBlankPerRun && blank && lastBlank)) Add(lines, data + start, i - start);
      lastBlank = blank;
      i += (c == '\r' && i + 1 < n && data[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) Add(lines, data + start, n - start);
  return lines;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& fileBytes) {
  return SplitLinesOf<std::vector<std::string>>(fileBytes, false);
}

ReceiptLines SplitReceiptLines(const std::string& fileBytes) {
  return SplitLinesOf<ReceiptLines>(fileBytes, true);
}

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string_view FieldZero(std::string_view line) {
  const std::size_t pos = line.find(';');
  return pos == std::string_view::npos ? line : line.substr(0, pos);
}

bool StartsWithCom(std::string_view f) {
  return f.size() >= 3 && Cp1252Upper(f[0]) == 'C' && Cp1252Upper(f[1]) == 'O' &&
         Cp1252Upper(f[2]) == 'M';
}

}  // namespace

bool IsPortLineView(std::string_view line) {
  if (line.empty()) return false;
  return StartsWithCom(TrimBlanks(FieldZero(line)));
}

bool IsPortLine(const std::string& line) { return IsPortLineView(line); }

int PortLineNumber(const std::string& line) {
  if (!IsPortLineView(line)) return 0;
  std::string_view rest = TrimBlanks(FieldZero(line)).substr(3);
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  int value = 0;
  std::size_t i = 0;
  for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i) {
    if (value > 100000) return 0;  // no port has such a number
    value = value * 10 + (rest[i] - '0');
  }
  // "COM3" selects port 3; "COMANDA" or "COM3X" name no port.
  if (i == 0 || i != rest.size()) return 0;
  return value;
}

char Cp1252Upper(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
  switch (u) {
    case 0x9A:
      return static_cast<char>(0x8A);
    case 0x9C:
      return static_cast<char>(0x8C);
    case 0x9E:
      return static_cast<char>(0x8E);
    case 0xFF:
      return static_cast<char>(0x9F);
    default:
      return c;
  }
}

std::string Cp1252Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Cp1252Upper(c);
  return out;
}

}  // namespace vorn
