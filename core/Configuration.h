#pragma once
// The rules between section "Configurari" of XVORNDRV.INI and the settings.
// Pure: the file itself is read and written by the service.
#include <cstdint>
#include <map>
#include <string>

#include "core/IniFile.h"
#include "core/Settings.h"

namespace vorn {

inline constexpr const char* kConfigFileName = "XVORNDRV.INI";
inline constexpr const char* kConfigSection = "Configurari";
inline constexpr const char* kSerialPortSection = "PorturiSeriale";

// The settings before the first load: the settings panel's initial state,
// with no syntax selected.
Settings InitialSettings();

// A decimal integer with an optional sign that fits 32 bits; false otherwise.
bool ParseIniInteger(const std::string& text, int& value);

// Reads every key of "Configurari" onto `s`. A value outside its range keeps
// what `s` already holds unless the key has its own fallback.
void ApplyConfiguration(const IniFile& ini, Settings& s);

// Writes the keys the program owns; every other line of `ini` stays as it is.
void WriteConfiguration(const Settings& s, IniFile& ini);

// Keys COM<n> of section "PorturiSeriale": port number to device path.
std::map<int, std::string> SerialPortMapFrom(const IniFile& ini);

}  // namespace vorn
