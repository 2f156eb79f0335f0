// Arbitrary bytes as XVORNDRV.INI: reading, a rewrite and one key set must
// keep every other line and read back what was set. The first byte picks the
// section and key names from a small pool, so that they often exist.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/IniFile.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

const char* const kSections[] = {"Configurari", "configurari", "PorturiSeriale", "ConversieUM",
                                 "x"};
const char* const kKeys[] = {"Comunicatie", "IP", "port", "COM1", "a"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t pick = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  vorn::IniFile ini(bytes);

  for (const std::string& line : ini.Lines()) {
    Require(line.find('\r') == std::string::npos && line.find('\n') == std::string::npos);
  }
  // A rewrite reads back line for line.
  const std::string rewritten = ini.ToBytes();
  Require(vorn::IniFile(rewritten).Lines() == ini.Lines());

  const std::string section = kSections[pick % 5];
  const std::string key = kKeys[(pick / 5) % 5];
  const std::string other = kSections[(pick / 25 + 1 + pick % 5) % 5];
  const auto before = ini.Entries(other);
  const auto value = ini.Get(section, key);
  if (value) {
    Require(value->find('\r') == std::string::npos);
    Require(value->size() < bytes.size());
  }

  vorn::IniFile changed = ini;
  changed.Set(section, key, "V1");
  Require(changed.Get(section, key) == std::string("V1"));
  Require(changed.Lines().size() <= ini.Lines().size() + 3);
  if (!vorn::EqualsNoCase(other, section)) Require(changed.Entries(other) == before);
  // Setting the same value again changes nothing.
  vorn::IniFile again = changed;
  again.Set(section, key, "V1");
  Require(again.Lines() == changed.Lines());
  return 0;
}
