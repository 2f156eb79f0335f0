#include "core/IniFile.h"

#include <cstddef>

namespace vorn {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// "[name]" with optional blanks around; the name between the brackets, trimmed.
std::optional<std::string> SectionName(const std::string& line) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  const size_t close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

bool IsComment(const std::string& line) {
  const std::string t = Trim(line);
  return !t.empty() && (t[0] == ';' || t[0] == '#');
}

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

IniFile::IniFile(const std::string& bytes) {
  std::string current;
  bool pending = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines_.push_back(current);
      current.clear();
      pending = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += c;
      pending = true;
    }
  }
  if (pending) lines_.push_back(current);
}

int IniFile::FindSection(const std::string& section) const {
  const std::string wanted = Trim(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i]);
    if (name && EqualsNoCase(*name, wanted)) return static_cast<int>(i);
  }
  return -1;
}

int IniFile::SectionEnd(int header) const {
  size_t i = static_cast<size_t>(header) + 1;
  while (i < lines_.size() && !SectionName(lines_[i])) ++i;
  return static_cast<int>(i);
}

int IniFile::FindKey(int header, const std::string& key) const {
  const std::string wanted = Trim(key);
  const int end = SectionEnd(header);
  for (int i = header + 1; i < end; ++i) {
    const std::string& line = lines_[static_cast<size_t>(i)];
    if (IsComment(line)) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (EqualsNoCase(Trim(line.substr(0, eq)), wanted)) return i;
  }
  return -1;
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
  const int header = FindSection(section);
  if (header < 0) return std::nullopt;
  const int at = FindKey(header, key);
  if (at < 0) return std::nullopt;
  const std::string& line = lines_[static_cast<size_t>(at)];
  std::string value = Trim(line.substr(line.find('=') + 1));
  // Windows drops one pair of quotes around a value.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::vector<std::pair<std::string, std::string>> IniFile::Entries(
    const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> out;
  const int header = FindSection(section);
  if (header < 0) return out;
  const int end = SectionEnd(header);
  for (int i = header + 1; i < end; ++i) {
    const std::string& line = lines_[static_cast<size_t>(i)];
    const size_t eq = line.find('=');
    if (IsComment(line) || eq == std::string::npos) continue;
    out.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  return out;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  const int header = FindSection(section);
  if (header < 0) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.push_back("");
    // Appended: "[" + a temporary string trips GCC 12's -Wrestrict at -O3 (bug 105651).
    std::string headerLine = "[";
    headerLine += Trim(section);
    headerLine += ']';
    lines_.push_back(std::move(headerLine));
    lines_.push_back(Trim(key) + "=" + value);
    return;
  }
  const int at = FindKey(header, key);
  if (at >= 0) {
    std::string& line = lines_[static_cast<size_t>(at)];
    line = Trim(line.substr(0, line.find('='))) + "=" + value;
    return;
  }
  // After the section's last non-blank line, so blank separators stay between sections.
  int insert = SectionEnd(header);
  while (insert > header + 1 && Trim(lines_[static_cast<size_t>(insert - 1)]).empty()) --insert;
  lines_.insert(lines_.begin() + insert, Trim(key) + "=" + value);
}

std::string IniFile::ToBytes() const {
  std::string out;
  for (const auto& line : lines_) {
    out += line;
    out += "\r\n";
  }
  return out;
}

}  // namespace vorn
