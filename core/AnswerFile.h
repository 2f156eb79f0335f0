#pragma once
// The text of the answer file, the warnings list and the status file. Pure.
#include <string>
#include <vector>

#include "core/AnswerSlots.h"
#include "core/IniFile.h"

namespace vorn {

inline constexpr const char* kStatusFileName = "VORNDRV.INFO";

// The answer lines for a first message ("0 OK" or an error text), the slots
// and the replies the file's commands read. The caller empties RecoveryNotice
// once the lines have been written.
std::vector<std::string> BuildAnswerLines(const std::string& message, const AnswerSlots& slots,
                                          const std::vector<std::string>& replies = {});

// "+000123456" -> "1234.56", "-000000050" -> "-0.50"; any other length unchanged.
std::string FormatDrawerCash(const std::string& value);

// The device warnings, in the order the console shows them.
std::vector<std::string> BuildWarnings(const AnswerSlots& slots);

// Lines joined, each ended by CR LF.
std::string JoinCrLf(const std::vector<std::string>& lines);

// "major.minor.patch.tweak" of this build.
std::string VersionText();

// Sets the keys of section "INFO"; other keys of the file stay.
void UpdateStatusFile(IniFile& ini, const std::string& version, bool processing, bool connected,
                      bool closing);

}  // namespace vorn
