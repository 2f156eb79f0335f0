#include "core/Configuration.h"

#include <climits>
#include <cstddef>

namespace vorn {

namespace {

int ReadInt(const IniFile& ini, const char* key, int def) {
  const auto text = ini.Get(kConfigSection, key);
  int v = 0;
  if (!text || !ParseIniInteger(*text, v)) return def;
  return v;
}

bool ReadYesNo(const IniFile& ini, const char* key) {
  const auto text = ini.Get(kConfigSection, key);
  return text && *text == "DA";  // exactly upper case
}

// The value when it lies within [lo, hi], else the current one.
int InRangeOrKeep(int v, int lo, int hi, int current) { return (v >= lo && v <= hi) ? v : current; }

}  // namespace

Settings InitialSettings() {
  Settings s;
  s.SintaxaIndex = -1;
  s.Sintaxa = 0;
  return s;
}

bool ParseIniInteger(const std::string& text, int& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  value = static_cast<int>(v);
  return true;
}

void ApplyConfiguration(const IniFile& ini, Settings& s) {
  s.Comunicatie = InRangeOrKeep(ReadInt(ini, "Comunicatie", 0), 0, 1, s.Comunicatie);
  s.IP = ini.Get(kConfigSection, "IP").value_or("");

  const int port = ReadInt(ini, "Port", 1);
  if (port <= 0) {
    s.PortIndex = -1;
  } else if (port <= 16) {
    s.PortIndex = port - 1;
  }

  s.ModTaiere = InRangeOrKeep(ReadInt(ini, "ModTaiere", 0), 0, 1, s.ModTaiere);
  s.BaudRate = InRangeOrKeep(ReadInt(ini, "BaudRate", 0), 0, 2, s.BaudRate);
  s.LiniiAvans = InRangeOrKeep(ReadInt(ini, "LiniiAvans", 0), 0, 9, 0);
  s.LongTimeOut = ReadInt(ini, "LongTimeOut", 5);
  s.CodFormaPlata = InRangeOrKeep(ReadInt(ini, "CodFormaPlata", 1), 1, 7, 1);
  s.LogFile = ReadYesNo(ini, "LogFile");
  s.FaraVerificareConexiune = ReadYesNo(ini, "FaraVerificareConexiune");
  s.History = ReadYesNo(ini, "History");
  s.M4 = ReadYesNo(ini, "M4");
  s.VerificaOra = ReadYesNo(ini, "VerificaOra");
  s.DialogMesajEroare = ReadYesNo(ini, "DialogMesajEroare");
  s.MesajLaListareItem = ReadYesNo(ini, "MesajLaListareItem");
  s.StergereFisierevechi = ReadYesNo(ini, "StergereFisierevechi");
  s.MarjaZileStergere = ReadInt(ini, "MarjaZileStergere", 100);
  s.CuratareFolderLucru = ReadYesNo(ini, "CuratareFolderLucru");
  s.TratareEroareStare =
      InRangeOrKeep(ReadInt(ini, "TratareEroareStare", 0), 0, 1, s.TratareEroareStare);
  // Never read: cancelling a receipt left in progress is the only behaviour offered.
  s.TratareBonInDerulare = 2;
  s.SintaxaIndex = InRangeOrKeep(ReadInt(ini, "Sintaxa", 0), 0, 1, s.SintaxaIndex);
  s.Sintaxa = s.SintaxaIndex == 1 ? 1 : 0;
  s.TratareFormaPlata =
      InRangeOrKeep(ReadInt(ini, "TratareFormaPlata", 0), 0, 1, s.TratareFormaPlata);
  // A negative pause cannot be made; it counts as none.
  const int delay = ReadInt(ini, "Delay", 0);
  s.Delay = delay < 0 ? 0 : delay;
}

void WriteConfiguration(const Settings& s, IniFile& ini) {
  auto put = [&ini](const char* key, int v) { ini.Set(kConfigSection, key, std::to_string(v)); };
  put("Port", s.PortIndex + 1);
  put("BaudRate", s.BaudRate);
  put("ModTaiere", s.ModTaiere);
  put("LiniiAvans", s.LiniiAvans);
  put("TratareEroareStare", s.TratareEroareStare);
  put("TratareBonInDerulare", s.TratareBonInDerulare);
  put("TratareFormaPlata", s.TratareFormaPlata);
  put("CodFormaPlata", s.CodFormaPlata);
  put("Sintaxa", s.SintaxaIndex);
  put("Comunicatie", s.Comunicatie);
  ini.Set(kConfigSection, "IP", s.IP);
}

std::map<int, std::string> SerialPortMapFrom(const IniFile& ini) {
  std::map<int, std::string> out;
  for (const auto& [key, value] : ini.Entries(kSerialPortSection)) {
    if (key.size() < 4 || !EqualsNoCase(key.substr(0, 3), "COM")) continue;
    int n = 0;
    const std::string digits = key.substr(3);
    if (digits[0] == '+' || digits[0] == '-' || !ParseIniInteger(digits, n) || n < 1) continue;
    if (!value.empty()) out.emplace(n, value);
  }
  return out;
}

}  // namespace vorn
