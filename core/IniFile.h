#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorn {

// An INI file held in memory as its lines. Reading never reorders or rewrites
// anything, so a rewrite keeps every line the program did not set byte for
// byte. Section and key names match without regard to (ASCII) letter case.
class IniFile {
 public:
  IniFile() = default;
  // The file's bytes; lines may end with CR LF, LF or CR.
  explicit IniFile(const std::string& bytes);

  // The value of the first matching key in the first matching section, trimmed
  // of blanks and tabs and of one pair of enclosing quotes; nullopt when the
  // section or key is missing.
  std::optional<std::string> Get(const std::string& section, const std::string& key) const;

  // Every key = value pair of the first matching section, in file order.
  std::vector<std::pair<std::string, std::string>> Entries(const std::string& section) const;

  // Replaces the value of an existing key in place, or adds the key at the end
  // of the section, or adds the section at the end of the file.
  void Set(const std::string& section, const std::string& key, const std::string& value);

  // Every line ended by CR LF.
  std::string ToBytes() const;

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  // Index of the section's header line, or -1.
  int FindSection(const std::string& section) const;
  // Index of the key's line inside the section that starts at `header`, or -1.
  int FindKey(int header, const std::string& key) const;
  // First line after the section's body (the next header or the end).
  int SectionEnd(int header) const;

  std::vector<std::string> lines_;
};

// ASCII case-insensitive equality, as Windows compares INI names and file masks.
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace vorn
